# kalidor-cli export --spice: the Spice model of a design, to a file or to standard output.
source "$(dirname "$0")/lib.bash"

for type in ZelA ZelB ZelC ZelD ZelE; do
  d="$WORK/$type.ZEL"
  expect_status 0 "$CLI" new "$type" -o "$d"
  # To a file: the model takes the file's name.
  expect_status 0 "$CLI" export "$d" --spice -o "$WORK/filter_$type.lib"
  [ -s "$WORK/err" ] && fail "$type: export printed: $(head -c 300 "$WORK/err")"
  lib="$WORK/filter_$type.lib"
  expect_eq "$(head -n 4 "$lib" | tr -d '\r' | sed 's/: .*/: /')" "$(printf '* Title: \n* Subject: \n* Author: \n* Keywords: ')" "$type header"
  expect_eq "$(sed -n 4p "$lib")" "* Keywords: $type"$'\r' "$type keywords"
  grep -q $'^\\.SUBCKT filter_'"$type"' ' "$lib" || fail "$type: no .SUBCKT line named after the file"
  grep -q $'^\\.ENDS filter_'"$type"$'\r$' "$lib" || fail "$type: no .ENDS line"
  grep -qi 'pxxx' "$lib" && fail "$type: a parameter reference was left in the model"
  # Without -o the model goes to standard output, named after the device type.
  expect_status 0 "$CLI" export "$d" --spice
  grep -q "^\\.SUBCKT ${type}_SpiceModel " "$WORK/out" || fail "$type: standard output model name"
done

# The netlist texts of the design's symbols reach the model: a ZelA gain of -3 from IN1.
a="$WORK/ZelA.ZEL"
expect_status 0 "$CLI" set "$a" 9=1 4=2 7=0
expect_status 0 "$CLI" export "$a" --spice -o "$WORK/g.lib"
grep -q '^G_B1_1 0 B1_S IN1_P IN1_M {-3/250e3}' "$WORK/g.lib" || fail "ZelA gain and interconnect: $(grep G_B1_1 "$WORK/g.lib")"

finish
