#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the normal build, then the core
# and its tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

echo "== Sanitizer build (core and tests) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKALIDOR_GUI=OFF -DKALIDOR_SANITIZE=ON \
      -DKALIDOR_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
