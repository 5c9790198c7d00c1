source "$(dirname "$0")/lib.bash"

for t in ZelA ZelB ZelC ZelD ZelE; do
  expect_status 0 "$CLI" new $t -o "$WORK/$t.zel"
  expect_eq "$("$CLI" show "$WORK/$t.zel" | head -1)" "$(printf 'Device type:\t%s' $t)" "$t show"
  # A saved design saves again byte for byte.
  cp "$WORK/$t.zel" "$WORK/$t-copy.zel"
  expect_status 0 "$CLI" set "$WORK/$t-copy.zel"
  cmp -s "$WORK/$t.zel" "$WORK/$t-copy.zel" || fail "$t: open and save changed the file"
done

# Symbols, signed gains, capacitors and summary fields.
expect_status 0 "$CLI" set "$WORK/ZelA.zel" gain:4=-3 cap:6=25.4648 9=1 --title "Low <pass>" --author Ada -o "$WORK/a2.zel"
show="$("$CLI" show "$WORK/a2.zel")"
expect_eq "$(echo "$show" | awk -F'\t' '$1==4 {print $4}')" "-3" "signed gain"
expect_eq "$(echo "$show" | awk -F'\t' '$1==9 {print $4}')" "IN 1" "input selection"
expect_eq "$(echo "$show" | awk -F'\t' '$1==6 {print $4}')" "25.49 pF" "nearest capacitor (code 54, 25.4882 pF)"
expect_eq "$(echo "$show" | awk -F'\t' '$1=="Title:" {print $2}')" "Low pass" "title without angle brackets"
expect_eq "$(echo "$show" | awk -F'\t' '$1=="Author:" {print $2}')" "Ada" "author"
expect_eq "$(echo "$show" | awk -F'\t' '$1==4 {print $2}')" "Block 1 T1 Gain" "full name"
# The original is untouched when -o is given.
expect_eq "$("$CLI" show "$WORK/ZelA.zel" | awk -F'\t' '$1==4 {print $4}')" "1" "original kept"
# In place without -o.
expect_status 0 "$CLI" set "$WORK/ZelD.zel" 11=5
expect_eq "$("$CLI" show "$WORK/ZelD.zel" | awk -F'\t' '$1==11 {print $4}')" "5" "ZelD gain in place"

# Errors: unreadable files exit 1 with the program's message, usage errors exit 2.
printf 'not a design' > "$WORK/bad.zel"
expect_status 1 "$CLI" show "$WORK/bad.zel"
grep -q "Error: ZEL file wrong version or corrupted!" "$WORK/err" || fail "corrupted message"
expect_status 1 "$CLI" show "$WORK/missing.zel"
printf '\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1xxxx' > "$WORK/old.zel"
expect_status 1 "$CLI" show "$WORK/old.zel"
grep -q "Doc is in OLE format which is no longer used by Kalidor." "$WORK/err" || fail "compound message"
expect_status 2 "$CLI" new ZelQ -o "$WORK/q.zel"
expect_status 2 "$CLI" new ZelA
expect_status 2 "$CLI" set "$WORK/ZelA.zel" 99=1
expect_status 2 "$CLI" set "$WORK/ZelA.zel" cap:6=abc
expect_status 2 "$CLI" set "$WORK/ZelA.zel" nonsense
finish
