source "$(dirname "$0")/lib.bash"

# Gain 37 from IN1 to OUT2 of ZelA: one block cannot, the question goes to stderr and two are used.
expect_status 0 "$CLI" gains ZelA 37 --in 1 --out 2
expect_eq "$(head -1 "$WORK/out")" "You can use the following configurations to achieve the gain 37:" "caption"
grep -q "A single Zel Block cannot achieve this gain." "$WORK/err" || fail "two-block question"
rows="$(tail -n +3 "$WORK/out")"
[ -n "$rows" ] || fail "no configuration for 37"
echo "$rows" | awk -F'\t' '$7 !~ /^Gain = / || $8 !~ /^IN1 to OUT2:/ { bad = 1 } END { exit bad }' ||
  fail "formula and wiring columns"

# Best for bandwidth keeps only that kind; 401 is out of reach and 400 is offered.
expect_status 0 "$CLI" gains ZelB 37 --best bandwidth
tail -n +3 "$WORK/out" | awk -F'\t' '$2 != "Bandwidth" { bad = 1 } END { exit bad }' || fail "best for bandwidth"
expect_status 0 "$CLI" gains ZelA 401
expect_eq "$(head -1 "$WORK/out")" "You can use the following configurations to achieve the gain 400:" "nearest gain"
expect_status 2 "$CLI" gains ZelC 5
expect_status 2 "$CLI" gains ZelA 5 --best loud

# Ladder filters: 4th-order Butterworth rows between 18 and 22 kHz, copied into a design.
expect_status 0 "$CLI" ladders --type "Butterworth 4th Order" --freq 18k:22k
expect_eq "$(head -1 "$WORK/out" | cut -f1-6)" "$(printf 'ID\tFilterType\tFrequency\tIA1 Gain\tIA2 Gain\tZelBlock 1 Cap')" "titles"
id="$(sed -n 2p "$WORK/out" | cut -f1)"
[ -n "$id" ] || fail "no Butterworth ladder near 20 kHz"
tail -n +2 "$WORK/out" | awk -F'\t' '$2 != "Butterworth 4th Order" || $3 < 18000 || $3 > 22000 { bad = 1 } END { exit bad }' ||
  fail "a row outside the criteria"
expect_status 0 "$CLI" new ZelA -o "$WORK/l.zel"
expect_status 0 "$CLI" ladders --copy "$id" "$WORK/l.zel" -o "$WORK/l2.zel"
expect_status 0 "$CLI" show "$WORK/l2.zel"
grep -q "Ladder Filter" "$WORK/out" || fail "summary title after the copy"
expect_status 1 "$CLI" ladders --copy 999999 "$WORK/l.zel"
expect_status 2 "$CLI" ladders --type Bessel
finish
