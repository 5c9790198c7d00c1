#!/bin/bash
# Times a whole Generate Schematic of the biquad generator against a real Kalidor: a bus of its own
# (dbus-run-session), `kalidor --automation` under the offscreen platform with a new ZelA
# schematic, then build/bin/biquad_bench. Usage: bench/biquad.sh [BUILD_DIR] [benchmark options]
set -euo pipefail
build=$(realpath "${1:-build}")
shift || true
if [[ ${BIQUAD_BENCH_INNER:-} != 1 ]]; then
    exec env BIQUAD_BENCH_INNER=1 dbus-run-session -- "$0" "$build" "$@"
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
tmp=$(mktemp -d)
export XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache KALIDOR_REGISTRY_NAME=KalidorBiquadBench_$$
"$build/bin/kalidor" --automation &
kalidor=$!
trap 'kill $kalidor 2>/dev/null; wait $kalidor 2>/dev/null; rm -rf "$tmp"' EXIT
app=(--dest=KalidorRezirer.Application /KalidorRezirer/Application)
for _ in $(seq 200); do
    dbus-send --session --print-reply "${app[@]}" org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 && break
    sleep 0.05
done
dbus-send --session --print-reply "${app[@]}" KalidorRezirer.Application.NewDocument string:ZelA >/dev/null
"$build/bin/biquad_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
