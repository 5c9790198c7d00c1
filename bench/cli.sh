#!/bin/bash
# Times whole kalidor-cli processes (start to exit) for commands that draw no raster picture, and
# ngspice -b on the same circuit for comparison: the AC analysis of the ZelA example over 3001
# points (10 Hz to 10 MHz, 500 per decade), as `kalidor-cli simulate --ppd 500` computes it and
# writes it to standard output.
# Uses hyperfine when it is installed, else the best of 50 runs timed by the shell.
# Usage: bench/cli.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cli=$build/bin/kalidor-cli
design=$build/bin/examples/ZelA_GainStage.ZEL
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The Spice model of the design and a deck that runs its AC analysis from input 1 to output 1.
"$cli" export "$design" --spice -o "$tmp/zela.lib"
cat >"$tmp/zela.cir" <<DECK
ZelA example, AC analysis
.include $tmp/zela.lib
VREF VREF 0 DC 2.5
VCMV CMV 0 DC 2.5
VSP SP VREF DC 0 AC 0.5
VSM SM VREF DC 0 AC 0.5 180
X1 SP SM VREF VREF VREF VREF VREF VREF O1P O1M O2P O2M O3P O3M O4P O4M VREF CMV zela
.ac dec 500 10 10000000
.control
run
let vr = real(v(O1P) - v(O1M))
let vi = imag(v(O1P) - v(O1M))
wrdata $tmp/zela.dat vr vi
.endc
.end
DECK

commands=(
    "$cli devices"
    "$cli simulate $design --ppd 500"
)
command -v ngspice >/dev/null && commands+=("ngspice -b $tmp/zela.cir")

if command -v hyperfine >/dev/null; then
    hyperfine -N -i --warmup 5 --runs 100 --style basic "${commands[@]}" 2>/dev/null | grep -E '^Benchmark|Time|Range'
else
    for c in "${commands[@]}"; do
        best=
        for _ in $(seq 50); do
            t0=$(date +%s%N)
            $c >/dev/null 2>&1
            t1=$(date +%s%N)
            us=$(( (t1 - t0) / 1000 ))
            if [[ -z $best || $us -lt $best ]]; then best=$us; fi
        done
        printf '%-70s best %6.2f ms\n' "$c" "$(awk "BEGIN { print $best / 1000 }")"
    done
fi
# Both computed the same number of points.
"$cli" simulate "$design" --ppd 500 >"$tmp/zela.csv"
echo "points: kalidor-cli $(($(wc -l <"$tmp/zela.csv") - 1))" \
     "$( [ -s "$tmp/zela.dat" ] && echo ", ngspice $(wc -l <"$tmp/zela.dat")")"
