source "$(dirname "$0")/lib.bash"

# Programming through the SVF server (svfsvr, beside kalidor-cli): started on demand on the cable
# given, it programs, verifies and reads back ZelA and ZelD; its failures are failures; --trace
# writes the lines sent.
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
STATE="$WORK/state"
CAB=(--cable virtual:ZelA,ZelD --state-dir "$STATE")

# The server started for a command ends with it, and takes its socket along.
server_gone() {
  for _ in $(seq 50); do [ -e "$XDG_RUNTIME_DIR/SVFsvr" ] || return 0; sleep 0.1; done
  return 1
}

declare -A SETUP=([ZelA]="4=3 9=2" [ZelD]="0=100 12=200")
declare -A CHANGE=([ZelA]="6=50" [ZelD]="13=300")
for T in ZelA ZelD; do
  D="$WORK/$T.zel"
  "$CLI" new "$T" -o "$D" || fail "$T new"
  # shellcheck disable=SC2086
  "$CLI" set "$D" ${SETUP[$T]} >/dev/null || fail "$T set"
  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --download --via-server
  expect_eq "$(cat "$WORK/out")" "$(printf 'Verify succeeded:\nDevice equals schematic')" "$T download message"
  server_gone || fail "$T: the server outlived its client"
  # The built-in interpreter reads back what the server wrote.
  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --verify
  "$CLI" set "$D" ${CHANGE[$T]} -o "$WORK/$T-changed.zel" >/dev/null || fail "$T change"
  expect_status 3 "$CLI" program "$WORK/$T-changed.zel" "${CAB[@]}" --verify --via-server
  grep -q "Verify failed:" "$WORK/err" || fail "$T verify-failed message"
  "$CLI" new "$T" -o "$WORK/$T-up.zel" || fail "$T new fresh"
  expect_status 0 "$CLI" program "$WORK/$T-up.zel" "${CAB[@]}" --upload --via-server
  diff <("$CLI" show "$D") <("$CLI" show "$WORK/$T-up.zel") >/dev/null || fail "$T upload through the server differs"
done
[ -s "$XDG_RUNTIME_DIR/SVFsvr.log" ] || fail "no server log"

# The trace of a download: the lines sent, as an SVF file that runs again.
expect_status 0 "$CLI" program "$WORK/ZelA.zel" "${CAB[@]}" --download --trace "$WORK/a.TRC"
expect_eq "$(head -c 36 "$WORK/a.TRC" | od -An -c | tr -s ' ')" "$(printf '! Kalidor JtagTrace of SVF program\r\n' | od -An -c | tr -s ' ')" "trace header"
expect_eq "$(sed -n 2p "$WORK/a.TRC")" "$(printf '! ZelA Download\r')" "trace first line"
expect_eq "$(tail -c 9 "$WORK/a.TRC" | od -An -c | tr -s ' ')" "$(printf '<end>\r\n\r\n' | od -An -c | tr -s ' ')" "trace end"
expect_status 0 "$CLI" svf "$WORK/a.TRC" --cable virtual:ZelA,ZelD --state-dir "$STATE" --via-server
# A failed operation still writes its trace, which ends with the failing line.
expect_status 1 "$CLI" program "$WORK/ZelA.zel" --cable virtual:ZelB --state-dir "$STATE" --download --trace "$WORK/b.TRC"
grep -q "^SDR   32  TDI (55AA55AA)  TDO (00100043);" "$WORK/b.TRC" || fail "IDCODE line missing from the trace"
expect_status 1 "$CLI" program "$WORK/ZelA.zel" "${CAB[@]}" --download --trace "$WORK/missing/c.TRC"
grep -q "File could not be opened" "$WORK/err" || fail "trace file message"

# An SVF file through the server: a mismatch is reported by line, a line the server rejects stops
# the run (and is not success).
printf 'TRST ON;\nSIR 5 TDI (0D);\nSDR 32 TDI (FFFFFFFF) TDO (00000000);\nSIR 0 TDI (00);\nSTATE IDLE;\n' >"$WORK/bad.svf"
expect_status 1 "$CLI" svf "$WORK/bad.svf" --cable virtual:ZelA --state-dir "$STATE" --via-server
grep -q "^Line 3: TDO mismatch" "$WORK/out" || fail "mismatch line"
grep -q "^Line 4: syntax error: SIR 0 TDI (00);" "$WORK/out" || fail "syntax error line"
grep -q "^4 lines executed, 1 TDO mismatches, stopped" "$WORK/out" || fail "summary"

# Without a server program to start: the connect message, and nothing reads as success.
mkdir "$WORK/alone" && cp "$CLI" "$WORK/alone/kalidor-cli"
expect_status 1 env PATH=/usr/bin:/bin "$WORK/alone/kalidor-cli" program "$WORK/ZelA.zel" "${CAB[@]}" --verify --via-server
grep -q "Could not connect with DDE server with service name 'SVFSVR'." "$WORK/err" || fail "connect message"
finish
