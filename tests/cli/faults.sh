source "$(dirname "$0")/lib.bash"

# Review findings and faults: pin states, node 0, the message prefix, IDCODE presence checks, the
# virtual cable's faults from the command line, its state files, the SVF report and saving under
# faults.

prefix_ok() { # every line of stderr that starts a message begins "Kalidor: "
  [ ! -s "$WORK/err" ] || head -1 "$WORK/err" | grep -q '^Kalidor: ' || fail "$1: stderr without prefix: $(head -1 "$WORK/err")"
}

"$CLI" new ZelB -o "$WORK/b.zel" && "$CLI" new ZelC -o "$WORK/c.zel" && "$CLI" new ZelA -o "$WORK/a.zel" \
  && "$CLI" new ZelD -o "$WORK/d.zel" || fail "new designs"

# Pin states only the simulation uses: refused by set (nothing written), taken by simulate --pin.
cp "$WORK/b.zel" "$WORK/b-before.zel"
for kv in 56=1 57=1; do
  expect_status 2 "$CLI" set "$WORK/b.zel" "$kv"
  grep -q "^Kalidor: key ${kv%=*} of ZelB is a pin state for the simulation only" "$WORK/err" || fail "set $kv message: $(cat "$WORK/err")"
done
for kv in 33=1 34=1; do expect_status 2 "$CLI" set "$WORK/c.zel" "$kv"; done
cmp -s "$WORK/b.zel" "$WORK/b-before.zel" || fail "a refused set changed the design"
# ZelB: the MSEL pin chooses between the IA2A (IN 1 here, beside IA1) and IA2B (none) interconnects.
"$CLI" set "$WORK/b.zel" 9=1 10=1 -o "$WORK/b-msel.zel" >/dev/null 2>&1
SIM=(--start 1000 --stop 2000 --ppd 1 --input 1 --output 1)
expect_status 0 "$CLI" simulate "$WORK/b-msel.zel" "${SIM[@]}"
low="$(cat "$WORK/out")"
expect_status 0 "$CLI" simulate "$WORK/b-msel.zel" "${SIM[@]}" --pin 56=0
expect_eq "$(cat "$WORK/out")" "$low" "--pin 56=0 is the default"
expect_status 0 "$CLI" simulate "$WORK/b-msel.zel" "${SIM[@]}" --pin 56=1
[ "$(cat "$WORK/out")" != "$low" ] || fail "simulate --pin 56=1 changed nothing"
# ZelC: MSEL1 = 1 takes IA1 from its B interconnect (none) instead of A (IN 1): no output left.
"$CLI" set "$WORK/c.zel" 13=1 -o "$WORK/c-msel.zel" >/dev/null 2>&1
expect_status 0 "$CLI" simulate "$WORK/c-msel.zel" "${SIM[@]}" --pin 33=0 --pin 34=1
expect_status 1 "$CLI" simulate "$WORK/c-msel.zel" "${SIM[@]}" --pin 33=1
grep -q "cause output to be zero" "$WORK/err" || fail "ZelC MSEL1 pin"
expect_status 2 "$CLI" simulate "$WORK/b.zel" --pin 4=1
expect_status 2 "$CLI" simulate "$WORK/b.zel" --pin 56=2
expect_status 2 "$CLI" simulate "$WORK/b.zel" --pin 56
# Node 0 is not a node.
expect_status 2 "$CLI" simulate "$WORK/a.zel" --input 0
grep -q '^Kalidor: --input needs a node number from 1' "$WORK/err" || fail "--input 0 message"
expect_status 2 "$CLI" simulate "$WORK/a.zel" --output 0
expect_status 2 "$CLI" plot "$WORK/a.zel" --svg "$WORK/x.svg" --output -1

# One prefix for every message on stderr, the JEDEC ones included.
printf 'no jedec here' >"$WORK/bad.jed"
expect_status 1 "$CLI" import-jedec "$WORK/a.zel" "$WORK/bad.jed" -o "$WORK/a2.zel"
prefix_ok "jedec"
expect_status 2 "$CLI" frobnicate
prefix_ok "unknown command"
expect_status 1 "$CLI" show "$WORK/missing.zel"
prefix_ok "missing file"

# program --idcode is a presence check: the design's device, or exit 1.
ST=(--state-dir "$WORK/state")
expect_status 0 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA "${ST[@]}" --idcode
expect_status 1 "$CLI" program "$WORK/a.zel" --cable virtual:ZelB "${ST[@]}" --idcode
grep -q "^Kalidor: The device on the cable is a ZelB, not the design's ZelA." "$WORK/err" || fail "other Zel: $(cat "$WORK/err")"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?tdo=1' "${ST[@]}" --idcode
grep -q "^Kalidor: The device on the cable is not a Zel device (IDCODE 11111111111111111111111111111111)." "$WORK/err" \
  || fail "stuck TDO: $(cat "$WORK/err")"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?detached' "${ST[@]}" --no-cable-check --no-power-check --idcode
grep -q "not a Zel device" "$WORK/err" || fail "detached cable without checks"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:foreign:8' "${ST[@]}" --idcode

# Faults of the virtual cable from the command line.
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?detached' "${ST[@]}" --download
grep -q "Download cable is not attached" "$WORK/err" || fail "detached message"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?nopower' "${ST[@]}" --download
grep -q "Download cable does not have power" "$WORK/err" || fail "no power message"
expect_status 0 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA "${ST[@]}" --download
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?secured' "${ST[@]}" --verify
grep -q "Read of device returned all '1's" "$WORK/err" || fail "secured fault"
expect_status 0 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA "${ST[@]}" --verify  # not kept
expect_status 1 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?flip=1:12' "${ST[@]}" --verify
grep -q "does not match current (ZelA) schematic" "$WORK/err" || fail "flipped IDCODE bit"
# The data scans of a verify: IDCODE check, then the read program's IDCODE and its read-back.
expect_status 3 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?flip=3:17' "${ST[@]}" --verify
grep -q "Verify failed:" "$WORK/err" || fail "flipped read-back bit"
expect_status 2 "$CLI" program "$WORK/a.zel" --cable 'virtual:ZelA?tdo=7' "${ST[@]}" --verify
grep -q "Faults may follow after" "$WORK/err" || fail "fault help"

# Virtual state that cannot be used or kept.
mkdir -p "$WORK/s1/virtual-0-ZelA.state"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA --state-dir "$WORK/s1" --verify
grep -q "^Kalidor: The state file .*virtual-0-ZelA.state\" of the virtual ZelA cannot be used (Is a directory)" "$WORK/err" \
  || fail "state folder: $(cat "$WORK/err")"
mkdir -p "$WORK/s2" && head -c 70000 /dev/zero >"$WORK/s2/virtual-0-ZelA.state"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA --state-dir "$WORK/s2" --verify
grep -q "larger than 64 KB" "$WORK/err" || fail "oversized state"
mkdir -p "$WORK/s3" && printf 'KalidorVirtualJtagDevice 1\nType ZelA\nE2 USR 1\n' >"$WORK/s3/virtual-0-ZelA.state"
expect_status 1 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA --state-dir "$WORK/s3" --verify
grep -q "damaged" "$WORK/err" || fail "damaged state"
if [ "$(id -u)" -ne 0 ]; then
  mkdir -p "$WORK/s4" && chmod 555 "$WORK/s4"
  expect_status 3 "$CLI" program "$WORK/a.zel" --cable virtual:ZelA --state-dir "$WORK/s4" --download
  grep -q "could not keep its cells" "$WORK/err" || fail "unwritable state"
  grep -q "Verify succeeded" "$WORK/out" && fail "a download that was not kept was verified"
  chmod 755 "$WORK/s4"
fi

# The SVF report goes on past a NUL byte inside a comment.
printf '! a comment \0 with a NUL\r\nSIR 5 TDI (0D);\r\nSDR 32 TDI (00000000) TDO (FFFFFFFF);\r\n' >"$WORK/nul.svf"
expect_status 3 "$CLI" svf "$WORK/nul.svf" --cable virtual:ZelA --state-dir "$WORK/svf"
grep -aq "^Line 3: TDO mismatch: SDR 32" "$WORK/out" || fail "report after a NUL: $(cat -v "$WORK/out")"
grep -aq "1 TDO mismatches" "$WORK/out" || fail "summary after a NUL"

# plot --import reads files only, and only so much.
expect_status 1 "$CLI" plot "$WORK/a.zel" --svg "$WORK/p.svg" --import 1=/dev/zero
grep -q "^Kalidor: File could not be opened" "$WORK/err" || fail "/dev/zero import: $(cat "$WORK/err")"
expect_status 1 "$CLI" plot "$WORK/a.zel" --svg "$WORK/p.svg" --import 1="$WORK"
grep -q "File could not be opened" "$WORK/err" || fail "folder import"
# A frequency the export cannot write back is refused at import, so a round trip loses nothing.
printf 'h\r\n0.0000004,1,2\r\n0.000001,3,4\r\n1000,5,6\r\n' >"$WORK/tiny.csv"
expect_status 0 "$CLI" plot "$WORK/a.zel" --svg "$WORK/p.svg" --import 1="$WORK/tiny.csv"

# Saving under faults: the previous file stays whole and the reason is told.
"$CLI" set "$WORK/a.zel" --title keep -o "$WORK/s.zel" >/dev/null
cp "$WORK/s.zel" "$WORK/s-before.zel"
big="$(head -c 6000 /dev/zero | tr '\0' x)"
( ulimit -f 4; "$CLI" set "$WORK/s.zel" --comments "$big" >"$WORK/out" 2>"$WORK/err" ); got=$?
[ "$got" -eq 1 ] || fail "save beyond the file-size limit exited $got"
grep -q "File too large" "$WORK/err" || fail "file-size message: $(cat "$WORK/err")"
cmp -s "$WORK/s.zel" "$WORK/s-before.zel" || fail "a failed save changed the file"
ls "$WORK" | grep -q '\.tmp-' && fail "temporary file left behind"
# Through a symbolic link the file it points to is updated and the link stays.
mkdir -p "$WORK/real" && cp "$WORK/s.zel" "$WORK/real/t.zel" && ln -sf real/t.zel "$WORK/link.zel"
expect_status 0 "$CLI" set "$WORK/link.zel" --title linked
[ -L "$WORK/link.zel" ] || fail "the link was replaced"
"$CLI" show "$WORK/real/t.zel" | grep -q "^Title:	linked$" || fail "the target was not updated"
ls "$WORK/real" "$WORK" | grep -q '\.tmp-' && fail "temporary file left beside the link"
# A read-only design is refused unless forced; forced, it stays read-only.
chmod 444 "$WORK/s.zel"
expect_status 1 "$CLI" set "$WORK/s.zel" --title changed
grep -q "is read-only; the design was not saved." "$WORK/err" || fail "read-only message"
cmp -s "$WORK/s.zel" "$WORK/s-before.zel" || fail "a read-only file was replaced"
expect_status 0 "$CLI" set "$WORK/s.zel" --title changed --force
"$CLI" show "$WORK/s.zel" | grep -q "^Title:	changed$" || fail "forced save"
[ "$(stat -c %a "$WORK/s.zel")" = 444 ] || fail "forced save lost the mode"
# The filter table's copy into a read-only ZelD design too.
"$CLI" new ZelD -o "$WORK/ro-d.zel" >/dev/null && chmod 444 "$WORK/ro-d.zel" && cp "$WORK/ro-d.zel" "$WORK/ro-d-before.zel"
id="$("$CLI" filters ZelD 2>/dev/null | sed -n 2p | cut -f1)"
expect_status 1 "$CLI" filters ZelD --copy "$id" --config A "$WORK/ro-d.zel"
prefix_ok "filters --copy read-only"
cmp -s "$WORK/ro-d.zel" "$WORK/ro-d-before.zel" || fail "filters --copy replaced a read-only file"
expect_status 0 "$CLI" filters ZelD --copy "$id" --config A "$WORK/ro-d.zel" --force
expect_status 2 "$CLI" filters ZelD --force
expect_status 1 "$CLI" filters ZelD --table "$WORK/none.xml"
grep -q '^Kalidor: cannot read the filter table' "$WORK/err" || fail "filter table message: $(cat "$WORK/err")"
# A read-only folder (meaningful for users other than root).
if [ "$(id -u)" -ne 0 ]; then
  mkdir -p "$WORK/ro" && cp "$WORK/s-before.zel" "$WORK/ro/r.zel" && chmod 555 "$WORK/ro"
  expect_status 1 "$CLI" set "$WORK/ro/r.zel" --title x
  grep -q "Cannot create a temporary file" "$WORK/err" || fail "read-only folder message"
  chmod 755 "$WORK/ro"
fi
finish
