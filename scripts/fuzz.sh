#!/usr/bin/env bash
# Fuzzes every reader: builds the libFuzzer harnesses of tests/fuzz/ with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer (scripts/sanitize-build.sh, into build-asan/), then runs each one
# for SECONDS (default 60) on its seed corpus tests/fuzz/corpus/NAME, as many at a time as there
# are processors.
#
#   scripts/fuzz.sh [SECONDS] [NAME ...]     only the harnesses named (xml, design, schematic, ...)
#
# Inputs that reach new code are kept in build-asan/fuzz/NAME/corpus (the committed seeds are not
# changed). A crash, a leak, a hang or a broken property stops that harness, leaves the input as
# build-asan/fuzz/NAME/crash-* (or leak-*, timeout-*) and makes the script fail; once the fault is
# mended, commit the input under tests/fuzz/regressions/NAME/ so that every test run replays it.
# The last lines of each harness's log (build-asan/fuzz/NAME/log) are its final statistics.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do f="${f##*/fuzz_}"; names+=("${f%.cpp}"); done
fi
scripts/sanitize-build.sh "${names[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# One harness: its log in build-asan/fuzz/NAME/log, its exit status in build-asan/fuzz/NAME/status.
fuzz_one() {
  local name=$1 program="build-asan/bin/fuzz_$1" work="build-asan/fuzz/$1" dict=() status=0
  mkdir -p "$work/corpus"
  [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
  [ "$name" = library ] && dict=(-dict=tests/fuzz/design.dict)  # the design file's tags
  "$program" -max_total_time="$seconds" -print_final_stats=1 -timeout=120 -rss_limit_mb=2560 \
    "${dict[@]}" -artifact_prefix="$work/" "$work/corpus" "tests/fuzz/corpus/$name" >"$work/log" 2>&1 || status=$?
  echo "$status" >"$work/status"
}

# As many harnesses at a time as there are processors, each single-threaded.
jobs_at_once=$(nproc)
for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_at_once" ]; do wait -n || true; done
  fuzz_one "$name" &
done
wait

failed=()
printf '%-10s %12s %8s %8s %s\n' harness executions cov ft result
for name in "${names[@]}"; do
  work="build-asan/fuzz/$name"
  status=$(cat "$work/status" 2>/dev/null || echo 1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
  result=ok
  if [ "$status" -ne 0 ]; then
    result="FAILED (see $work/log)"
    failed+=("$name")
  fi
  printf '%-10s %12s %8s %8s %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}"
  for name in "${failed[@]}"; do grep -m1 -A12 -E 'ERROR: |runtime error|fuzz property broken' "build-asan/fuzz/$name/log" || true; done
  exit 1
fi
