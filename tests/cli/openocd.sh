source "$(dirname "$0")/lib.bash"

# OpenOCD, a JTAG implementation written elsewhere, drives the virtual devices through
# "kalidor-cli serve-virtual --remote-bitbang": it finds the chain and its IDCODEs, and its own SVF
# player runs Kalidor's SVF exports of every device type and, on a chain, the framed programs.
# Afterwards "program --verify" finds each device holding exactly its design.
command -v openocd >/dev/null || { echo "openocd is not installed: skipped"; exit 77; }
STATE="$WORK/state"

# Starts the server for chain $1 in the background; sets PORT and SERVER.
serve() {
  rm -f "$WORK/serve.out"
  "$CLI" serve-virtual --remote-bitbang 0 --chain "$1" --state-dir "$STATE" --once >"$WORK/serve.out" 2>&1 &
  SERVER=$!
  PORT=
  for _ in $(seq 100); do
    PORT=$(sed -n 's/^serving .* on 127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$WORK/serve.out")
    [ -n "$PORT" ] && return
    sleep 0.05
  done
  fail "the server did not start: $(cat "$WORK/serve.out")"
}

# Runs OpenOCD on the server with the taps given as "name irlen id" words, then the commands.
ocd() {
  local taps="$1"; shift
  local args=(-c "adapter driver remote_bitbang" -c "remote_bitbang host 127.0.0.1" -c "remote_bitbang port $PORT"
              -c "transport select jtag" -c "gdb_port disabled" -c "tcl_port disabled" -c "telnet_port disabled")
  while read -r name irlen id; do
    [ -n "$name" ] || continue
    if [ "$id" = none ]; then args+=(-c "jtag newtap $name tap -irlen $irlen")
    else args+=(-c "jtag newtap $name tap -irlen $irlen -expected-id $id"); fi
  done <<<"$taps"
  args+=(-c init)
  for c in "$@"; do args+=(-c "$c"); done
  args+=(-c shutdown)
  timeout 120 openocd "${args[@]}" >"$WORK/ocd.out" 2>&1
  local status=$?
  wait "$SERVER"
  return $status
}

declare -A IR=([ZelA]=5 [ZelB]=5 [ZelC]=6 [ZelD]=5 [ZelE]=5)
declare -A ID=([ZelA]=0x00100043 [ZelB]=0x00111043 [ZelC]=0x00130043 [ZelD]=0x00120043 [ZelE]=0x00121043)

# Every device type alone: OpenOCD plays the design's SVF export, Kalidor verifies.
for T in ZelA ZelB ZelC ZelD ZelE; do
  D="$WORK/$T.zel"
  "$CLI" new "$T" -o "$D" >/dev/null || fail "$T new"
  "$CLI" new "$T" -o "$WORK/$T-other.zel" >/dev/null
  # The design differs from a fresh one in its first symbol.
  key=$("$CLI" show "$D" | awk -F'\t' '$1 ~ /^[0-9]+$/ {print $1; exit}')
  "$CLI" set "$D" "$key=1" >/dev/null || fail "$T set $key=1"
  ! diff -q <("$CLI" show "$D") <("$CLI" show "$WORK/$T-other.zel") >/dev/null || fail "$T: the designs are the same"
  "$CLI" export "$D" --svf -o "$WORK/$T.svf" || fail "$T export"
  rm -rf "$STATE"
  serve "virtual:$T"
  ocd "$T ${IR[$T]} ${ID[$T]}" "svf -quiet $WORK/$T.svf" || fail "$T: OpenOCD failed: $(tail -5 "$WORK/ocd.out")"
  grep -q "tap/device found: ${ID[$T]}" "$WORK/ocd.out" || fail "$T: OpenOCD did not find the IDCODE"
  expect_status 0 "$CLI" program "$D" --cable "virtual:$T" --state-dir "$STATE" --verify
  # A verify of another design fails: the device holds this design, not just anything.
  expect_status 3 "$CLI" program "$WORK/$T-other.zel" --cable "virtual:$T" --state-dir "$STATE" --verify
done

# A chain from TDI: ZelA (IR 5), a foreign device (IR 8), ZelC (IR 6). OpenOCD finds the two
# IDCODEs and the foreign device in BYPASS, then plays the framed programs of ZelA and of ZelC.
# The frames give the other devices' bits in full (all ones: BYPASS): OpenOCD 0.12 reads a header
# of a new length without TDI as no data at all and crashes on the next scan.
CHAIN="virtual:ZelA,foreign:8,ZelC"
frame() {  # frame FILE HIR HDR TIR TDR
  local ones=(0 1 3 7 F 1F 3F 7F FF 1FF 3FF 7FF FFF 1FFF 3FFF)
  sed -e "s/^HIR .*/HIR $2 TDI (${ones[$2]});/" -e "s/^HDR .*/HDR $3 TDI (${ones[$3]});/" \
      -e "s/^TIR .*/TIR $4 TDI (${ones[$4]});/" -e "s/^TDR .*/TDR $5 TDI (${ones[$5]});/" "$1"
}
frame "$WORK/ZelA.svf" 14 2 0 0 >"$WORK/chainA.svf"
frame "$WORK/ZelC.svf" 0 0 13 2 >"$WORK/chainC.svf"
rm -rf "$STATE"
serve "$CHAIN"
ocd "zc 6 ${ID[ZelC]}
fx 8 none
za 5 ${ID[ZelA]}" "svf -quiet $WORK/chainA.svf" "svf -quiet $WORK/chainC.svf" \
  || fail "chain: OpenOCD failed: $(tail -5 "$WORK/ocd.out")"
grep -q "tap/device found: ${ID[ZelA]}" "$WORK/ocd.out" || fail "chain: ZelA not found"
grep -q "tap/device found: ${ID[ZelC]}" "$WORK/ocd.out" || fail "chain: ZelC not found"
expect_status 0 "$CLI" program "$WORK/ZelA.zel" --cable "$CHAIN" --state-dir "$STATE" --verify
expect_status 0 "$CLI" program "$WORK/ZelC.zel" --cable "$CHAIN" --state-dir "$STATE" --verify

# Kalidor's full player reads the same framed files the same way.
expect_status 0 "$CLI" svf --full "$WORK/chainA.svf" --cable "$CHAIN" --state-dir "$STATE"
finish
