#!/bin/bash
# Times automation round trips (SetSymValue + GetSymValue, each call waiting for its reply)
# between a client and kalidor on a session bus of their own, so that nothing else on the
# desktop's bus is touched: the Qt client kalidor_automation_bench, then (with python3-dbus) the
# same from Python, each beside the round trip to the bus daemon alone.
#   bench/automation.sh [BUILD_DIR] [ROUNDS]
# KALIDOR_ENV is put before the kalidor command, e.g. KALIDOR_ENV="env QT_NO_GLIB=" to compare
# with the GLib event loop.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
rounds=${2:-2000}
exec dbus-run-session -- bash -c '
  export QT_QPA_PLATFORM=offscreen KALIDOR_REGISTRY_NAME=KalidorBench_$$
  export XDG_CONFIG_HOME=$(mktemp -d)
  ${KALIDOR_ENV:-} "$0/bin/kalidor" --automation 2>/dev/null & kalidor=$!
  status=0
  "$0/bin/kalidor_automation_bench" "$1" || status=$?
  if [ $status = 0 ] && /usr/bin/python3 -c "import dbus" 2>/dev/null; then
    /usr/bin/python3 "$2/automation/round_trip.py" "$1" || status=$?
  fi
  kill $kalidor; wait $kalidor 2>/dev/null || true
  rm -rf "$XDG_CONFIG_HOME"
  exit $status' "$build" "$rounds" "$(cd "$(dirname "$0")" && pwd)"
