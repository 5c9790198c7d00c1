# Helpers for the command-line tests: each test script is run as `bash script CLI WORKDIR`.
set -u
CLI="$1"
WORK="$2"
rm -rf "$WORK" && mkdir -p "$WORK"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2], got [$1]"; }
expect_status() {
  local want="$1"; shift
  "$@" >"$WORK/out" 2>"$WORK/err"; local got=$?
  [ "$got" -eq "$want" ] || fail "'$*' exited $got, expected $want: $(head -c 300 "$WORK/err")"
}
finish() { [ "$failures" -eq 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }; }
