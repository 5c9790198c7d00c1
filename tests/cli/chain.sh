source "$(dirname "$0")/lib.bash"

# The chain ZelA, a foreign device of IR 8, ZelC (from TDI), built from the command line, with the
# sums each device gets; every member programmed through a virtual cable that holds the same chain.
C="$WORK/example.ZJC"
STATE="$WORK/state"
CAB=(--cable "virtual:ZelA,foreign:8,ZelC" --state-dir "$STATE")
expect_status 0 "$CLI" chain new -o "$C"
expect_status 0 "$CLI" chain add "$C" ZelA
expect_status 0 "$CLI" chain add "$C" foreign:8
expect_status 0 "$CLI" chain add "$C" ZelC
expect_status 0 "$CLI" chain list "$C"
expect_eq "$(cat "$WORK/out")" "$(printf '%s\n' \
  $'#\tName\tDeviceType\tIR_Length\tHIR_Sum\tTIR_Sum\tHDR_Sum\tTDR_Sum' \
  $'0\t[Chain TDI]\t\t0\t0\t0\t0\t0' \
  $'1\tDevice0\tZelA\t5\t14\t0\t2\t0' \
  $'2\tForeign_Device0\tForeign Device\t8\t6\t5\t1\t1' \
  $'3\tDevice1\tZelC\t6\t0\t13\t0\t2' \
  $'4\t[Chain TDO]\t\t0\t0\t0\t0\t0')" "example chain sums"
cp "$C" "$WORK/example-saved.ZJC"

# Refusals: a name in use, a foreign device's design, an unknown name, a bad IR length.
expect_status 1 "$CLI" chain add "$C" ZelB --name Device0
grep -q "Name conflict, Please use another name." "$WORK/err" || fail "name conflict message"
expect_status 1 "$CLI" chain extract "$C" Foreign_Device0 -o "$WORK/x.zel"
expect_status 2 "$CLI" chain remove "$C" Nobody
expect_status 2 "$CLI" chain add "$C" foreign:0
cmp -s "$C" "$WORK/example-saved.ZJC" || fail "a refused command changed the chain"

# Each Zel member gets a design of its own, is downloaded and verified through the chain.
"$CLI" chain extract "$C" Device0 -o "$WORK/a.zel" || fail "extract A"
"$CLI" chain extract "$C" Device1 -o "$WORK/c.zel" || fail "extract C"
head -c 21 "$WORK/a.zel" | grep -q '<?xml version="1.0"?>' || fail "an extracted design is a design file of its own"
"$CLI" set "$WORK/a.zel" 4=3 9=2 >/dev/null || fail "set A"
"$CLI" set "$WORK/c.zel" 2=5 4=2 >/dev/null || fail "set C"
expect_status 0 "$CLI" chain embed "$C" Device0 "$WORK/a.zel"
expect_status 0 "$CLI" chain embed "$C" Device1 "$WORK/c.zel"
expect_status 1 "$CLI" chain embed "$C" Device0 "$WORK/c.zel"   # a ZelC design into a ZelA
for N in Device0 Device1; do
  expect_status 0 "$CLI" chain program "$C" $N "${CAB[@]}" --download
  grep -q "Verify succeeded" "$WORK/out" || fail "$N download verified"
done
expect_status 0 "$CLI" chain program "$C" Device0 "${CAB[@]}" --idcode
grep -q $'^Part Number:.*ZelA$' "$WORK/out" || fail "IDCODE of the first member"
expect_status 0 "$CLI" chain program "$C" Device1 "${CAB[@]}" --idcode
grep -q $'^Part Number:.*ZelC$' "$WORK/out" || fail "IDCODE of the last member"
expect_status 1 "$CLI" chain program "$C" Foreign_Device0 "${CAB[@]}" --verify
grep -q "Not a Zel device: there is no schematic to edit" "$WORK/err" || fail "foreign member refused"

# A change of ZelA only: ZelA differs, ZelC is untouched.
"$CLI" set "$WORK/a.zel" 4=1 -o "$WORK/a2.zel" >/dev/null
cp "$C" "$WORK/changed.ZJC"
expect_status 0 "$CLI" chain embed "$WORK/changed.ZJC" Device0 "$WORK/a2.zel"
expect_status 3 "$CLI" chain program "$WORK/changed.ZJC" Device0 "${CAB[@]}" --verify
expect_status 0 "$CLI" chain program "$WORK/changed.ZJC" Device1 "${CAB[@]}" --verify
# Upload puts the device back into the chain file.
expect_status 0 "$CLI" chain program "$WORK/changed.ZJC" Device0 "${CAB[@]}" --upload
expect_status 0 "$CLI" chain program "$WORK/changed.ZJC" Device0 "${CAB[@]}" --verify
"$CLI" chain extract "$WORK/changed.ZJC" Device0 -o "$WORK/a-up.zel"
expect_eq "$("$CLI" show "$WORK/a-up.zel" | grep -v '^Title')" "$("$CLI" show "$WORK/a.zel" | grep -v '^Title')" "uploaded member"

# Scan Chain on that cable proposes the same chain.
expect_status 0 "$CLI" chain scan "${CAB[@]}" -o "$WORK/scanned.ZJC"
grep -q $'^2\tnone\tForeign Device\t8$' "$WORK/out" || fail "scanned foreign device: $(cat "$WORK/out")"
"$CLI" chain list "$WORK/scanned.ZJC" >"$WORK/list-scanned"
"$CLI" chain list "$WORK/example-saved.ZJC" >"$WORK/list-built"
diff -q "$WORK/list-scanned" "$WORK/list-built" >/dev/null || fail "scan proposes another chain: $(diff "$WORK/list-built" "$WORK/list-scanned")"

# A ZelD between two foreign devices (one with an IDCODE): the scan tells their IR lengths
# apart, and the ZelD is programmed through the chain.
DCAB=(--cable "virtual:foreign:4:0x0BA00477,ZelD,foreign:7" --state-dir "$WORK/state-d")
expect_status 0 "$CLI" chain scan "${DCAB[@]}" -o "$WORK/d.ZJC"
grep -q $'^1\t0x0BA00477\tForeign Device\t4$' "$WORK/out" || fail "foreign IDCODE: $(cat "$WORK/out")"
grep -q $'^3\tnone\tForeign Device\t7$' "$WORK/out" || fail "second foreign device"
expect_status 0 "$CLI" chain list "$WORK/d.ZJC"
grep -q $'^2\tDevice0\tZelD\t5\t7\t4\t1\t1$' "$WORK/out" || fail "ZelD sums: $(cat "$WORK/out")"
expect_status 0 "$CLI" chain program "$WORK/d.ZJC" Device0 "${DCAB[@]}" --download
expect_status 0 "$CLI" chain program "$WORK/d.ZJC" Device0 "${DCAB[@]}" --verify

# Remove and rename, and what the sums become.
expect_status 0 "$CLI" chain remove "$C" Foreign_Device0
expect_status 0 "$CLI" chain rename "$C" Device1 Output
expect_status 0 "$CLI" chain list "$C"
grep -q $'^1\tDevice0\tZelA\t5\t6\t0\t1\t0$' "$WORK/out" || fail "sums after remove"
grep -q $'^2\tOutput\tZelC\t6\t0\t5\t0\t1$' "$WORK/out" || fail "rename"
expect_status 0 "$CLI" chain add "$C" ZelB --at 1 --name First
expect_status 0 "$CLI" chain list "$C"
grep -q $'^1\tFirst\tZelB\t5\t11\t0\t2\t0$' "$WORK/out" || fail "--at 1"

# A file that is not a chain, and a truncated one: the message, and the file stays as it was.
printf 'garbage' >"$WORK/bad.ZJC"
expect_status 1 "$CLI" chain list "$WORK/bad.ZJC"
grep -q "Error: JTAG Chain file is wrong version or corrupted!" "$WORK/err" || fail "corruption message"
head -c 3000 "$WORK/example-saved.ZJC" >"$WORK/cut.ZJC"
cp "$WORK/cut.ZJC" "$WORK/cut-copy.ZJC"
expect_status 1 "$CLI" chain add "$WORK/cut.ZJC" ZelA
cmp -s "$WORK/cut.ZJC" "$WORK/cut-copy.ZJC" || fail "a truncated chain file was changed"
expect_status 2 "$CLI" chain

# A read-only chain file is not replaced unless --force is given; forced, it stays read-only.
RO="$WORK/ro.ZJC"
cp "$WORK/example-saved.ZJC" "$RO" && chmod 444 "$RO" && cp "$RO" "$WORK/ro-before.ZJC"
for CMD in "add $RO ZelA" "remove $RO Device0" "rename $RO Device0 X" "embed $RO Device0 $WORK/a.zel"; do
  # shellcheck disable=SC2086
  expect_status 1 "$CLI" chain $CMD
  grep -q "is read-only; the JTAG Chain was not saved." "$WORK/err" || fail "read-only message: chain $CMD"
done
expect_status 1 "$CLI" chain new -o "$RO"
expect_status 1 "$CLI" chain scan "${CAB[@]}" -o "$RO"
expect_status 1 "$CLI" chain program "$RO" Device0 "${CAB[@]}" --upload
grep -q "is read-only; the JTAG Chain was not saved." "$WORK/err" || fail "read-only message: chain program --upload"
cmp -s "$RO" "$WORK/ro-before.ZJC" || fail "a read-only chain file was replaced"
expect_status 0 "$CLI" chain program "$RO" Device0 "${CAB[@]}" --upload --force
expect_status 0 "$CLI" chain add "$RO" ZelA --name Forced --force
expect_status 0 "$CLI" chain list "$RO"
grep -q $'^4\tForced\tZelA\t5\t0\t19\t0\t3$' "$WORK/out" || fail "forced add: $(cat "$WORK/out")"
[ "$(stat -c %a "$RO")" = 444 ] || fail "a forced save lost the mode"
expect_status 0 "$CLI" chain scan "${CAB[@]}" -o "$RO" --force
expect_status 2 "$CLI" chain list "$RO" --force
# extract writes a design: a read-only design is refused the same way.
cp "$WORK/a.zel" "$WORK/ro-a.zel" && chmod 444 "$WORK/ro-a.zel"
expect_status 1 "$CLI" chain extract "$C" Device0 -o "$WORK/ro-a.zel"
grep -q "is read-only; the design was not saved." "$WORK/err" || fail "extract over a read-only design"
expect_status 0 "$CLI" chain extract "$C" Device0 -o "$WORK/ro-a.zel" --force
finish
