#!/bin/bash
# The biquad generator is a program of its own: it reaches Kalidor over the bus only, so none of
# Kalidor's code is linked into it, and the build puts it beside the programs as MACRO/ZelA_Biquad.
#   links_nothing.sh BIQUAD BIN_DIR
set -euo pipefail
biquad=$1
bin=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
symbols=$(nm -C "$biquad")
grep -q 'biquad::GenerateSchematic' <<<"$symbols" || fail "no symbols read from $biquad"
if grep -q 'kalidor::' <<<"$symbols"; then
  fail "Kalidor's code is linked into the biquad generator: $(grep -m3 'kalidor::' <<<"$symbols")"
fi
[ -x "$bin/MACRO/ZelA_Biquad" ] || fail "no MACRO/ZelA_Biquad beside the programs"
cmp -s "$biquad" "$bin/MACRO/ZelA_Biquad" || fail "MACRO/ZelA_Biquad is not this build's biquad"
echo "biquad links nothing of Kalidor"
