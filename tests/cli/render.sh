source "$(dirname "$0")/lib.bash"

# Every device type renders to a standalone SVG picture with its device's texts.
for t in ZelA ZelB ZelC ZelD ZelE; do
  expect_status 0 "$CLI" new $t -o "$WORK/$t.ZEL"
  expect_status 0 "$CLI" render "$WORK/$t.ZEL" --svg "$WORK/$t.svg"
  head -c 200 "$WORK/$t.svg" | grep -q '<svg' || fail "$t: not an SVG document"
  tail -c 20 "$WORK/$t.svg" | grep -q '</svg>' || fail "$t: SVG not closed"
done
grep -q '>Block 1 T1<' "$WORK/ZelA.svg" || fail "ZelA gain stage label"
grep -q '>Zel Block 4<' "$WORK/ZelA.svg" || fail "ZelA block 4 frame"
grep -q '>Comparator Window Mode<' "$WORK/ZelB.svg" || fail "ZelB window comparator"
grep -q '>MDAC2<' "$WORK/ZelC.svg" || fail "ZelC DAC"
grep -q '>ZelE<' "$WORK/ZelE.svg" || fail "ZelE device name"
grep -q '>Low-pass Filter<' "$WORK/ZelD.svg" || fail "ZelD title"

# Current values are shown: a gain of -3 on block 1 T1, an open feedback switch.
expect_status 0 "$CLI" set "$WORK/ZelA.ZEL" gain:4=-3 3=1 -o "$WORK/ZelA2.ZEL"
expect_status 0 "$CLI" render "$WORK/ZelA2.ZEL" --svg "$WORK/ZelA2.svg"
grep -q '>-3<' "$WORK/ZelA2.svg" || fail "gain value text"
grep -q '>OPEN<' "$WORK/ZelA2.svg" || fail "feedback value text"
grep -q '>-3<' "$WORK/ZelA.svg" && fail "new design shows the edited gain"
# The hit areas are outlined only on request.
expect_status 0 "$CLI" render "$WORK/ZelA2.ZEL" --svg "$WORK/hit.svg" --hit-areas
[ "$(grep -c '<rect' "$WORK/hit.svg")" -gt "$(grep -c '<rect' "$WORK/ZelA2.svg")" ] || fail "--hit-areas adds outlines"

# Errors.
expect_status 2 "$CLI" render "$WORK/ZelA.ZEL"
expect_status 2 "$CLI" render --svg "$WORK/x.svg"
expect_status 2 "$CLI" render "$WORK/ZelA.ZEL" --svg "$WORK/x.svg" --ppi 0
expect_status 2 "$CLI" render "$WORK/ZelA.ZEL" --svg "$WORK/x.svg" --bogus
expect_status 1 "$CLI" render "$WORK/missing.ZEL" --svg "$WORK/x.svg"
[ -e "$WORK/x.svg" ] && fail "a failed render leaves no picture"
printf 'not a design' > "$WORK/bad.ZEL"
expect_status 1 "$CLI" render "$WORK/bad.ZEL" --svg "$WORK/x.svg"
expect_status 1 "$CLI" render "$WORK/ZelA.ZEL" --svg "$WORK/no/such/dir/x.svg"
finish
