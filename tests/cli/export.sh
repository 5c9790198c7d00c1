source "$(dirname "$0")/lib.bash"

# The fuse list of a JEDEC text: every E2 cell, in fuse order.
fuses() { tr -d '\r' | sed -n 's/^L0000 \(.*\)\*$/\1/p'; }
# The symbol lines of `show` (key, name, value, value text), without the summary.
symbols() { "$CLI" show "$1" 2>/dev/null | awk -F'\t' '$1 ~ /^[0-9]+$/'; }

for type in ZelA ZelB ZelC ZelD ZelE; do
  a="$WORK/$type-a.ZEL"
  b="$WORK/$type-b.ZEL"
  expect_status 0 "$CLI" new "$type" -o "$a"
  # Every symbol one step away from its default, within its range (but the pin states that only
  # the simulation uses, which set refuses).
  settings=$("$CLI" device "$type" --symbols 2>/dev/null |
             awk -F'\t' '$4 > 0 && $2 !~ /_pin$/ {printf "%d=%d ", $1, ($3 + 1) % ($4 + 1)}')
  # shellcheck disable=SC2086
  expect_status 0 "$CLI" set "$a" $settings
  # Bring any combination the device does not allow into range, so that the design is legal.
  "$CLI" export "$a" --jedec -o "$WORK/self.jed" 2>/dev/null
  "$CLI" import-jedec "$a" "$WORK/self.jed" >/dev/null 2>&1

  expect_status 0 "$CLI" export "$a" --jedec -o "$WORK/$type.jed"
  [ -s "$WORK/$type.jed" ] || fail "$type: empty JEDEC file"
  expect_status 0 "$CLI" new "$type" -o "$b"
  expect_status 0 "$CLI" import-jedec "$b" "$WORK/$type.jed"
  [ -s "$WORK/err" ] && fail "$type: import of a legal design printed: $(head -c 300 "$WORK/err")"
  expect_eq "$("$CLI" export "$b" --jedec 2>/dev/null | fuses)" "$(fuses <"$WORK/$type.jed")" "$type E2 cells after import"
  [ -n "$(fuses <"$WORK/$type.jed")" ] || fail "$type: no fuse list"
  [ "$(fuses <"$WORK/$type.jed")" != "$("$CLI" new "$type" -o "$WORK/fresh.ZEL" 2>/dev/null; "$CLI" export "$WORK/fresh.ZEL" --jedec 2>/dev/null | fuses)" ] ||
    fail "$type: the test design does not differ from a new one"
  expect_eq "$(symbols "$b")" "$(symbols "$a")" "$type symbols after import"

  # stdout and -o give the same bytes; the SVF is the header and then what a download sends.
  expect_status 0 "$CLI" export "$a" --svf -o "$WORK/$type.svf"
  cmp -s "$WORK/$type.svf" <("$CLI" export "$a" --svf 2>/dev/null) || fail "$type: SVF stdout differs from file"
  expect_eq "$(sed -n 1p "$WORK/$type.svf")" $'! Kalidor SVF Export\r' "$type SVF title"
  expect_eq "$(sed -n 2p "$WORK/$type.svf")" "! $type IDCODE Check, Download and Verify "$'\r' "$type SVF device line"
  expect_eq "$(sed -n 4p "$WORK/$type.svf")" "! File: $a"$'\r' "$type SVF file line"
  expect_eq "$(tail -n +6 "$WORK/$type.svf" | tr -d '\r')" "$("$CLI" program-text "$a" --register -4 --write 2>/dev/null)" "$type SVF body"
  [ "$(grep -c $'[^\r]$' "$WORK/$type.svf")" -eq 0 ] || fail "$type: SVF line without CR"
done

# Formatted text: the path line, the schematic block, the simulation setup block.
t="$WORK/ZelD-a.ZEL"
"$CLI" export "$t" --text >"$WORK/text" 2>/dev/null
expect_eq "$(sed -n 1p "$WORK/text" | tr -d '\r' | sed 's/ *$//')" "$t" "text path line"
expect_eq "$(sed -n 2p "$WORK/text")" $'BeginSchematic\r' "text schematic block"
grep -q $'^EndSchematic\r$' "$WORK/text" || fail "text: no EndSchematic"
grep -q $'^BeginSimulationSetup\r$' "$WORK/text" || fail "text: no simulation setup block"
expect_eq "$(tail -n 1 "$WORK/text")" $'EndSimulationSetup\r' "text last line"
grep -q 'BeginSummaryInfo' "$WORK/text" && fail "text: summary block without --summary"
"$CLI" set "$t" --title "Anti alias" >/dev/null 2>&1
"$CLI" export "$t" --text --summary 2>/dev/null | grep -q $'^Title:                     Anti alias\r$' || fail "text: summary title line"

# The simulation setup block comes from the design's SimulationSetup element (a look-alike inside
# the comments is text, not an element).
s="$WORK/sim.ZEL"
"$CLI" new ZelB -o "$s" 2>/dev/null
"$CLI" set "$s" --comments '<SimulationSetup><Curve><CurveNum>1</CurveNum><StartFrequency>7</StartFrequency></Curve></SimulationSetup>' 2>/dev/null
grep -q 'SimulationSetup' "$s" || fail "comment did not reach the design file"
if grep -q '^<CurveNum>1</CurveNum>' "$s"; then
  # Curve 1 of the stored element: start 5000 Hz, 100 points per decade.
  awk '/^<CurveNum>/ {c = $0} c == "<CurveNum>1</CurveNum>\r" && /^<StartFrequency>/ {$0 = "<StartFrequency>5000</StartFrequency>\r"}
       c == "<CurveNum>1</CurveNum>\r" && /^<PointsPerDecade>/ {$0 = "<PointsPerDecade>100</PointsPerDecade>\r"} {print}' "$s" >"$s.tmp"
else
  grep -v '^</ZelDesignData>' "$s" >"$s.tmp"
  printf '<SimulationSetup>\r\n<Curve>\r\n<CurveNum>1</CurveNum>\r\n<StartFrequency>5000</StartFrequency>\r\n<PointsPerDecade>100</PointsPerDecade>\r\n</Curve>\r\n</SimulationSetup>\r\n</ZelDesignData>\r\n' >>"$s.tmp"
fi
mv "$s.tmp" "$s"
"$CLI" export "$s" --text 2>/dev/null | tr -d '\r' >"$WORK/simtext"
grep -qx 'Curve_2_Start_Frequency    5K' "$WORK/simtext" || fail "stored start frequency of curve 2"
grep -qx 'Curve_2_Points_Per_Decade  100' "$WORK/simtext" || fail "stored points of curve 2"
grep -qx 'Curve_1_Start_Frequency    10' "$WORK/simtext" || fail "default start frequency of curve 1"

# Importing into a copy leaves the original alone.
before=$(md5sum <"$WORK/ZelA-b.ZEL")
expect_status 0 "$CLI" import-jedec "$WORK/ZelA-b.ZEL" "$WORK/ZelA.jed" -o "$WORK/copy.ZEL"
expect_eq "$(md5sum <"$WORK/ZelA-b.ZEL")" "$before" "original untouched by -o"
expect_eq "$(symbols "$WORK/copy.ZEL")" "$(symbols "$WORK/ZelA-a.ZEL")" "copy holds the import"

# Out-of-range values in the fuses are coerced, and the message says so once.
sed '/^L0000 /{s/^L0000 //; s/0/1/g; s/^/L0000 /}' "$WORK/ZelA.jed" >"$WORK/ones.jed"
expect_status 0 "$CLI" new ZelA -o "$WORK/ones.ZEL"
expect_status 0 "$CLI" import-jedec "$WORK/ones.ZEL" "$WORK/ones.jed"
expect_eq "$(grep -c 'needed to coerce some entries' "$WORK/err")" 1 "coercion message once"
"$CLI" export "$WORK/ones.ZEL" --jedec -o "$WORK/ones-again.jed" 2>/dev/null
expect_status 0 "$CLI" import-jedec "$WORK/ones.ZEL" "$WORK/ones-again.jed"
grep -q 'coerce' "$WORK/err" && fail "a coerced design needs no second coercion"

# A JEDEC file of another device type (too few fuses) or no JEDEC at all changes nothing.
before=$(md5sum <"$WORK/ZelD-b.ZEL")
printf 'not a fuse file' >"$WORK/junk.jed"
expect_status 1 "$CLI" import-jedec "$WORK/ZelD-b.ZEL" "$WORK/junk.jed"
grep -q 'STX' "$WORK/err" || fail "junk JEDEC message"
expect_status 1 "$CLI" import-jedec "$WORK/ZelD-b.ZEL" "$WORK/ZelB.jed"
expect_eq "$(md5sum <"$WORK/ZelD-b.ZEL")" "$before" "design untouched by a failed import"
expect_status 1 "$CLI" import-jedec "$WORK/ZelD-b.ZEL" "$WORK/missing.jed"
grep -q 'File could not be opened' "$WORK/err" || fail "missing JEDEC message"

# Failures of the operation exit 1 with the program's message on stderr.
expect_status 1 "$CLI" export "$WORK/missing.ZEL" --text
[ -s "$WORK/err" ] || fail "no message for a missing design"
printf 'garbage' >"$WORK/garbage.ZEL"
expect_status 1 "$CLI" export "$WORK/garbage.ZEL" --svf
expect_status 1 "$CLI" program-text "$WORK/missing.ZEL" --idcode
expect_status 1 "$CLI" import-jedec "$WORK/missing.ZEL" "$WORK/ZelA.jed"
expect_status 1 "$CLI" export "$t" --jedec -o "$WORK/no/such/dir/x.jed"
grep -q 'File could not be opened' "$WORK/err" || fail "unwritable export message"

# The Spice model: the summary header, then the model named after the export file.
expect_status 0 "$CLI" export "$WORK/ZelC-a.ZEL" --spice
expect_eq "$(head -n 1 "$WORK/out")" $'* Title: \r' "Spice header"
expect_status 0 "$CLI" export "$WORK/ZelC-a.ZEL" --spice -o "$WORK/band pass.lib"
grep -qi '^\.SUBCKT band_pass ' "$WORK/band pass.lib" || fail "Spice model name from the file name"

# Usage errors exit 2.
expect_status 2 "$CLI" export "$t"
expect_status 2 "$CLI" export "$t" --svf --text
expect_status 2 "$CLI" export "$t" --svf -o
expect_status 2 "$CLI" export --svf
expect_status 2 "$CLI" export "$t" --svf --bogus
expect_status 2 "$CLI" import-jedec "$t"
expect_status 2 "$CLI" import-jedec "$t" a.jed b.jed
expect_status 2 "$CLI" program-text "$t" --read
expect_status 2 "$CLI" program-text "$t" --register x --read
expect_status 2 "$CLI" program-text "$t" --register 0
expect_status 2 "$CLI" program-text "$t" --register 0 --read --write

# program-text: the frame of a read, and the IDCODE run.
"$CLI" program-text "$WORK/ZelA-a.ZEL" --register 0 --read >"$WORK/read" 2>/dev/null
expect_eq "$(head -n 8 "$WORK/read" | tr '\n' '|')" "TRST  ON;|TRST  OFF;|ENDIR IRPAUSE;|ENDDR DRPAUSE;|HIR  0; |HDR  0; |TIR  0; |TDR  0; |" "read frame"
expect_eq "$("$CLI" program-text "$WORK/ZelE-a.ZEL" --idcode 2>/dev/null | sed -n 9,13p | tr '\n' '|')" \
  "! --- IDCODE|SIR    5  TDI (0D);|SDR   32  TDI (FFFFFFFF)  TDO (00121043);|STATE IDLE;|! --- end IDCODE  |" "ZelE IDCODE run"
"$CLI" program-text "$WORK/ZelA-a.ZEL" --register -4 --write --no-idcode-check --no-inline-verify >"$WORK/plain" 2>/dev/null
grep -q 'IDCODE' "$WORK/plain" && fail "--no-idcode-check kept the IDCODE block"
grep -q 'in-line verify' "$WORK/plain" && fail "--no-inline-verify kept the verify"
finish
