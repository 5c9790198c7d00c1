#!/bin/bash
# Times automation round trips (SetSymValue + GetSymValue) between a client and kalidor on a
# session bus of their own, so that nothing else on the desktop's bus is touched.
#   bench/automation.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
rounds=${2:-2000}
exec dbus-run-session -- bash -c '
  export QT_QPA_PLATFORM=offscreen KALIDOR_REGISTRY_NAME=KalidorBench_$$
  export XDG_CONFIG_HOME=$(mktemp -d)
  "$0/bin/kalidor" --automation & kalidor=$!
  status=0
  "$0/bin/kalidor_automation_bench" "$1" || status=$?
  kill $kalidor; wait $kalidor 2>/dev/null || true
  rm -rf "$XDG_CONFIG_HOME"
  exit $status' "$build" "$rounds"
