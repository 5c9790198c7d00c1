#!/usr/bin/env bash
# Configures and builds the core, its tests and the fuzzing harnesses with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (clang, so that the libFuzzer programs are built too).
# Line tables are all the debug information the sanitizers' reports need (file and line of every
# frame), at a quarter less compile time than full debug information.
#   scripts/sanitize-build.sh [TARGET ...]     only the targets named
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -DKALIDOR_GUI=OFF -DKALIDOR_SANITIZE=ON \
      -DKALIDOR_BENCH=OFF -DKALIDOR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 ${KALIDOR_CMAKE_ARGS:-} >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build-asan -j "$(nproc)" "${targets[@]}"
