source "$(dirname "$0")/lib.bash"

# The virtual USB cable (a simulated FT2232H) programs, verifies and reads back as the virtual
# parallel cable does; a USB cable that is not there, or a bad cable text, is told clearly.
STATE="$WORK/state"
for T in ZelA ZelD; do
  D="$WORK/$T.zel"
  CAB=(--cable "virtual-ftdi:$T" --state-dir "$STATE")
  "$CLI" new "$T" -o "$D" || fail "$T new"
  "$CLI" set "$D" 12=200 1=3 >/dev/null || fail "$T set"
  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --download
  expect_eq "$(cat "$WORK/out")" "$(printf 'Verify succeeded:\nDevice equals schematic')" "$T download message"
  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --verify
  "$CLI" new "$T" -o "$WORK/$T-up.zel" || fail "$T new fresh"
  expect_status 0 "$CLI" program "$WORK/$T-up.zel" "${CAB[@]}" --upload
  diff <("$CLI" show "$D") <("$CLI" show "$WORK/$T-up.zel") >/dev/null || fail "$T upload differs"
  # The virtual parallel cable reads the same device state.
  expect_status 0 "$CLI" program "$D" --cable "virtual:$T" --state-dir "$STATE" --verify
done

# No such USB device: a clear message and exit 1, at once.
start=$(date +%s)
expect_status 1 "$CLI" program "$WORK/ZelA.zel" --cable "ftdi,vid=0x1d50,pid=0x0001,serial=NONE" --idcode
grep -q "USB JTAG cable" "$WORK/err" || fail "missing-cable message: $(cat "$WORK/err")"
[ $(( $(date +%s) - start )) -lt 10 ] || fail "a missing cable took too long"
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --cable "ftdi:nosuch" --idcode
grep -q 'Unknown USB cable "nosuch"' "$WORK/err" || fail "unknown preset message"
finish
