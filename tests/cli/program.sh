source "$(dirname "$0")/lib.bash"

# Each device type on its own virtual cable: identify, download, verify, change the design and
# verify again, read the device back into a new design and compare it with what was downloaded.
declare -A SETUP=([ZelA]="4=3 9=2" [ZelB]="4=3 6=77 39=200" [ZelC]="2=5 4=2 10=3" [ZelD]="0=100 12=200" [ZelE]="0=321 12=17")
declare -A CHANGE=([ZelA]="6=50" [ZelB]="6=12" [ZelC]="6=3" [ZelD]="13=300" [ZelE]="1=7")
declare -A IDCODE=([ZelA]=00000000000100000000000001000011 [ZelB]=00000000000100010001000001000011
                   [ZelC]=00000000000100110000000001000011 [ZelD]=00000000000100100000000001000011
                   [ZelE]=00000000000100100001000001000011)
STATE="$WORK/state"
for T in ZelA ZelB ZelC ZelD ZelE; do
  D="$WORK/$T.zel"
  CAB=(--cable "virtual:$T" --state-dir "$STATE")
  "$CLI" new "$T" -o "$D" || fail "$T new"
  # shellcheck disable=SC2086
  "$CLI" set "$D" ${SETUP[$T]} >/dev/null || fail "$T set"

  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --idcode
  expect_eq "$(awk -F'\t' '$1=="IDCODE:" {print $2}' "$WORK/out")" "${IDCODE[$T]}" "$T IDCODE"
  grep -q "^Part Number:.*$T\$" "$WORK/out" || fail "$T part number line"

  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --download
  expect_eq "$(cat "$WORK/out")" "$(printf 'Verify succeeded:\nDevice equals schematic')" "$T download message"
  [ -f "$STATE/virtual-0-$T.state" ] || fail "$T state file"
  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --verify

  "$CLI" set "$D" ${CHANGE[$T]} -o "$WORK/$T-changed.zel" >/dev/null || fail "$T change"
  expect_status 3 "$CLI" program "$WORK/$T-changed.zel" "${CAB[@]}" --verify
  grep -q "Verify failed:" "$WORK/err" || fail "$T verify-failed message"
  grep -q "Verify succeeded" "$WORK/out" && fail "$T success reported after a difference"
  # The details: the changed setting with its value in the design and in the device, then its bits.
  KEY="${CHANGE[$T]%%=*}"
  NAME="$("$CLI" show "$D" | awk -F'\t' -v k="$KEY" '$1==k {print $2}')"
  NOW="$("$CLI" show "$WORK/$T-changed.zel" | awk -F'\t' -v k="$KEY" '$1==k {print $4}')"
  WAS="$("$CLI" show "$D" | awk -F'\t' -v k="$KEY" '$1==k {print $4}')"
  expect_eq "$(head -1 "$WORK/out")" "$(printf 'Symbol\tDesign\tDevice')" "$T details heading"
  expect_eq "$(sed -n 2p "$WORK/out")" "$(printf '%s\t%s\t%s' "$NAME" "$NOW" "$WAS")" "$T details symbol line"
  grep -q "^Register	Bit	Cell	Design	Device$" "$WORK/out" || fail "$T details bit heading"

  "$CLI" new "$T" -o "$WORK/$T-fresh.zel" || fail "$T new fresh"
  expect_status 0 "$CLI" program "$WORK/$T-fresh.zel" "${CAB[@]}" --upload -o "$WORK/$T-up.zel"
  grep -q "^Upload complete: the $T on Virtual cable" "$WORK/out" || fail "$T upload report: $(head -2 "$WORK/out")"
  grep -q "^Uploaded design written to $WORK/$T-up.zel\$" "$WORK/out" || fail "$T upload written line"
  "$CLI" show "$D" >"$WORK/show-orig"
  "$CLI" show "$WORK/$T-up.zel" >"$WORK/show-up"
  diff -q "$WORK/show-orig" "$WORK/show-up" >/dev/null || fail "$T upload differs: $(diff "$WORK/show-orig" "$WORK/show-up" | head -5)"
  # The design the upload started from is untouched.
  cmp -s "$WORK/$T-fresh.zel" "$WORK/$T-up.zel" && fail "$T upload wrote nothing new"
  # Without -o the design is read back in place.
  cp "$WORK/$T-fresh.zel" "$WORK/$T-inplace.zel"
  expect_status 0 "$CLI" program "$WORK/$T-inplace.zel" "${CAB[@]}" --upload
  "$CLI" show "$WORK/$T-inplace.zel" >"$WORK/show-inplace"
  diff -q "$WORK/show-orig" "$WORK/show-inplace" >/dev/null || fail "$T in-place upload differs"

  expect_status 0 "$CLI" program "$D" "${CAB[@]}" --autocal
done

# A design of another type is refused before anything is written.
expect_status 1 "$CLI" program "$WORK/ZelA.zel" --cable virtual:ZelB --state-dir "$STATE" --download
grep -q "does not match current (ZelA) schematic" "$WORK/err" || fail "IDCODE mismatch message"
expect_status 0 "$CLI" program "$WORK/ZelB.zel" --cable virtual:ZelB --state-dir "$STATE" --verify

# A ZelD design that wakes up in configuration B: downloaded after the question, then neither
# verified nor read back (and the design asked to read it back is not overwritten).
"$CLI" set "$WORK/ZelD.zel" 10=1 -o "$WORK/ZelD-b.zel" >/dev/null
expect_status 0 "$CLI" program "$WORK/ZelD-b.zel" --cable virtual:ZelD --state-dir "$STATE" --download --cancel
grep -q "Press OK to start Download" "$WORK/err" || fail "wakeup B question"
expect_status 0 "$CLI" program "$WORK/ZelD.zel" --cable virtual:ZelD --state-dir "$STATE" --verify
expect_status 0 "$CLI" program "$WORK/ZelD-b.zel" --cable virtual:ZelD --state-dir "$STATE" --download
expect_status 1 "$CLI" program "$WORK/ZelD-b.zel" --cable virtual:ZelD --state-dir "$STATE" --verify
grep -q "Since the Wakeup Configuration = CfgB" "$WORK/out" || fail "wakeup B warning"
cp "$WORK/ZelD-fresh.zel" "$WORK/ZelD-keep.zel"
expect_status 1 "$CLI" program "$WORK/ZelD-keep.zel" --cable virtual:ZelD --state-dir "$STATE" --upload
cmp -s "$WORK/ZelD-fresh.zel" "$WORK/ZelD-keep.zel" || fail "failed upload changed the design file"

# The exported SVF program runs clean on its own device type and reports the IDCODE line elsewhere.
"$CLI" export "$WORK/ZelC.zel" --svf -o "$WORK/ZelC.svf" || fail "export svf"
expect_status 0 "$CLI" svf "$WORK/ZelC.svf" --cable virtual:ZelC --state-dir "$WORK/svfstate"
grep -q "0 TDO mismatches" "$WORK/out" || fail "svf summary"
expect_status 0 "$CLI" program "$WORK/ZelC.zel" --cable virtual:ZelC --state-dir "$WORK/svfstate" --verify
"$CLI" export "$WORK/ZelA.zel" --svf -o "$WORK/ZelA.svf"
expect_status 3 "$CLI" svf "$WORK/ZelA.svf" --cable virtual:ZelB --state-dir "$WORK/svfstate"
line=$(grep -n 'SDR   32  TDI (55AA55AA)  TDO (00100043);' "$WORK/ZelA.svf" | head -1 | cut -d: -f1)
grep -q "^Line $line: TDO mismatch: SDR   32  TDI (55AA55AA)  TDO (00100043);" "$WORK/out" || fail "svf mismatch line $line"
printf 'SIR 0 TDI (00);\r\n' >"$WORK/bad.svf"
expect_status 1 "$CLI" svf "$WORK/bad.svf" --cable virtual:ZelA --state-dir "$WORK/svfstate"
grep -q "^Line 1: syntax error" "$WORK/out" || fail "svf syntax error line"

# A design with the security fuse: downloaded without verification; from the next run on (a new
# power-up of the virtual device) nothing can be read back.
"$CLI" set "$WORK/ZelA.zel" 44=1 -o "$WORK/ZelA-secure.zel" >/dev/null
SEC=(--cable virtual:ZelA --state-dir "$WORK/secure")
expect_status 0 "$CLI" program "$WORK/ZelA-secure.zel" "${SEC[@]}" --download
expect_eq "$(cat "$WORK/out")" "Device will be secured.  Will not verify device after download" "secured download message"
expect_status 1 "$CLI" program "$WORK/ZelA-secure.zel" "${SEC[@]}" --verify
grep -q "Read of device returned all '1's" "$WORK/err" || fail "all-ones message on verify"
expect_status 1 "$CLI" program "$WORK/ZelA-fresh.zel" "${SEC[@]}" --upload -o "$WORK/secure-up.zel"
[ -e "$WORK/secure-up.zel" ] && fail "upload of a secured device wrote a design"
expect_status 0 "$CLI" program "$WORK/ZelA.zel" "${SEC[@]}" --download
expect_status 0 "$CLI" program "$WORK/ZelA.zel" "${SEC[@]}" --verify

# Two devices of a chain with a foreign device before them, each programmed at its own position.
CH=(--cable "virtual:foreign:8,ZelA,ZelC" --state-dir "$WORK/chain")
expect_status 0 "$CLI" program "$WORK/ZelA.zel" "${CH[@]}" --download
expect_status 0 "$CLI" program "$WORK/ZelC.zel" "${CH[@]}" --download
expect_status 0 "$CLI" program "$WORK/ZelA.zel" "${CH[@]}" --verify
expect_status 0 "$CLI" program "$WORK/ZelC.zel" "${CH[@]}" --position 2 --verify
expect_status 0 "$CLI" program "$WORK/ZelA.zel" "${CH[@]}" --chain 6,1,8,1 --verify
expect_status 1 "$CLI" program "$WORK/ZelA.zel" "${CH[@]}" --chain 0,0,0,0 --verify
grep -q "does not match current (ZelA) schematic" "$WORK/err" || fail "chain counts of another position"
expect_status 2 "$CLI" program "$WORK/ZelA.zel" "${CH[@]}" --position 3 --verify
expect_status 2 "$CLI" program "$WORK/ZelA.zel" "${CH[@]}" --chain 1,2,3 --verify
[ -f "$WORK/chain/virtual-1-ZelA.state" ] && [ -f "$WORK/chain/virtual-2-ZelC.state" ] || fail "chain state files"

# Usage and failures.
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --download
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --cable virtual:ZelA
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --cable usb:1 --download
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --cable direct:0xZZZ --download
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --cable virtual:ZelA --download --verify
expect_status 2 "$CLI" program "$WORK/ZelA.zel" --cable virtual:ZelA --verify -o "$WORK/x.zel"
expect_status 1 "$CLI" program "$WORK/missing.zel" --cable virtual:ZelA --state-dir "$STATE" --verify
expect_status 1 "$CLI" svf "$WORK/missing.svf" --cable virtual:ZelA
expect_status 2 "$CLI" svf "$WORK/ZelA.svf"
finish
