#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the normal build, then the core
# and its tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzing
# harness for a short time (KALIDOR_FUZZ_SECONDS, default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

echo "== Sanitizer build (core, tests and fuzzers) =="
scripts/sanitize-build.sh
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

echo "== Fuzzing each reader for ${KALIDOR_FUZZ_SECONDS:-10} s =="
scripts/fuzz.sh "${KALIDOR_FUZZ_SECONDS:-10}"
