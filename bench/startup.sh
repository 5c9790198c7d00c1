#!/bin/bash
# Times `kalidor` from process start to the first paint of its schematic, and reads its resident
# memory then: once with one design open, once with ten. Runs under the offscreen platform unless
# a display is set. Usage: bench/startup.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
bin=$build/bin
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export KALIDOR_STARTUP_REPORT=1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache

measure() {
    local label=$1; shift
    local best=
    for _ in 1 2 3 4 5; do
        local t0 t1 ms
        t0=$(date +%s%N)
        "$bin/kalidor" "$@" 2>"$tmp/report" >/dev/null
        t1=$(date +%s%N)
        ms=$(( (t1 - t0) / 1000000 ))
        if [[ -z $best || $ms -lt $best ]]; then best=$ms; fi
    done
    printf '%-34s %5d ms   %s\n' "$label" "$best" "$(grep 'first paint' "$tmp/report" | sed 's/.*; //')"
}

measure "one design (ZelA)" "$bin/examples/ZelA_GainStage.ZEL"
designs=()
for i in 0 1; do
    for f in "$bin"/examples/*.ZEL; do
        cp "$f" "$tmp/$i-$(basename "$f")"
        designs+=("$tmp/$i-$(basename "$f")")
    done
done
measure "ten designs (all five types)" "${designs[@]}"
