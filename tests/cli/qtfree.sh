source "$(dirname "$0")/lib.bash"
EX="$(dirname "$0")/../../support/examples"

# The libraries a command loads, as the dynamic loader reports them.
loaded() { LD_DEBUG=files "$@" 2>&1 >/dev/null | grep -o 'file=[^ ]*' | sort -u; }

# The tracing works: every command loads the C library.
loaded "$CLI" devices | grep -q 'libc\.so' || fail "LD_DEBUG shows no libraries"

# Commands that draw no raster picture start without Qt.
for cmd in "devices" "device ZelA --cells" "new ZelD -o $WORK/d.ZEL" \
           "simulate $EX/ZelA_GainStage.ZEL --ppd 500 --csv $WORK/a.csv" \
           "plot $EX/Lowpass.ZEL --svg $WORK/p.svg" "render $EX/ZelC_Mdac.ZEL --svg $WORK/r.svg" \
           "export $EX/ZelA_GainStage.ZEL --spice -o $WORK/a.cir"; do
  # shellcheck disable=SC2086
  libs="$(loaded "$CLI" $cmd)"
  [ -n "$libs" ] || fail "$cmd: no library list"
  echo "$libs" | grep -q 'libQt6' && fail "$cmd loads Qt: $(echo "$libs" | grep libQt6 | tr '\n' ' ')"
done
[ -s "$WORK/a.csv" ] || fail "simulate wrote nothing"

# A PNG picture loads the raster output, and Qt with it, when it was built.
if [ -e "$(dirname "$CLI")/kalidor-cli-raster.so" ]; then
  libs="$(loaded "$CLI" plot "$EX/Lowpass.ZEL" --png "$WORK/p.png")"
  echo "$libs" | grep -q 'kalidor-cli-raster.so' || fail "PNG output without the raster plugin"
  echo "$libs" | grep -q 'libQt6Svg' || fail "PNG output without Qt's SVG renderer"
  expect_eq "$(head -c 8 "$WORK/p.png" | od -An -tx1 | tr -d ' \n')" "89504e470d0a1a0a" "PNG signature"
fi
finish
