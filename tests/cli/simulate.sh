source "$(dirname "$0")/lib.bash"
EX="$(dirname "$0")/../../support/examples"
A="$EX/ZelA_GainStage.ZEL"
D="$EX/Lowpass.ZEL"

# simulate: header and one line per point, comma delimited, CR LF line ends.
expect_status 0 "$CLI" simulate "$A" --start 100 --stop 10K --ppd 5
expect_eq "$(head -1 "$WORK/out" | od -c | head -1 | tr -s ' ')" \
  "$(printf 'Curve_1_Frequency,Curve_1_Gain,Curve_1_Phase\r\n' | od -c | head -1 | tr -s ' ')" "header line"
expect_eq "$(wc -l < "$WORK/out" | tr -d ' ')" 12 "11 points and the header"
expect_eq "$(sed -n 2p "$WORK/out" | cut -d, -f1)" "100.000000" "first frequency"
expect_eq "$(tail -1 "$WORK/out" | cut -d, -f1)" "10000.000000" "last frequency is the stop frequency"

# --curve and --delimiter, written to a file.
expect_status 0 "$CLI" simulate "$D" --curve 3 --ppd 10 --delimiter tab --csv "$WORK/c3.csv"
expect_eq "$(head -1 "$WORK/c3.csv" | tr -d '\r')" "$(printf 'Curve_3_Frequency\tCurve_3_Gain\tCurve_3_Phase')" "tab header"
expect_eq "$(wc -l < "$WORK/c3.csv" | tr -d ' ')" 62 "10 Hz .. 10 MHz at 10 per decade"
expect_eq "$(wc -c < "$WORK/out" | tr -d ' ')" 0 "nothing on stdout with --csv"

# A failing run: the program's message on stderr, exit 1, no output file.
expect_status 1 "$CLI" simulate "$D" --start 1K --stop 1K --csv "$WORK/none.csv"
grep -q "Start and stop frequency are the same." "$WORK/err" || fail "same-frequency message"
[ ! -e "$WORK/none.csv" ] || fail "no file after a failed run"
expect_status 1 "$CLI" simulate "$D" --start 10K --stop 1K
grep -q "Start frequency is above stop frequency." "$WORK/err" || fail "start-above-stop message"
expect_status 1 "$CLI" simulate "$D" --ppd 0
grep -q "Points per decade must be 1 or more." "$WORK/err" || fail "points message"

# Usage errors.
expect_status 2 "$CLI" simulate "$D" --start 2.5K
grep -q "Frequency Entry Incorrect" "$WORK/err" || fail "frequency entry message"
expect_status 2 "$CLI" simulate "$D" --curve 5
expect_status 2 "$CLI" simulate "$D" --config C
expect_status 2 "$CLI" simulate
expect_status 1 "$CLI" simulate "$WORK/missing.ZEL"

# plot: an SVG of the window picture with the legend, both pane titles and a curve per run.
expect_status 0 "$CLI" plot "$D" --svg "$WORK/p.svg" --curve 1 --curve 2 --ppd 20 --start 1K
grep -q "<svg" "$WORK/p.svg" || fail "svg document"
grep -q "Gain Plot (dB)" "$WORK/p.svg" || fail "gain title"
grep -q "Phase Plot (Deg)" "$WORK/p.svg" || fail "phase title"
expect_eq "$(grep -c '>Vo1/Vi1<' "$WORK/p.svg")" 2 "two legend entries"
expect_eq "$(grep -c 'polyline.*#ff0000' "$WORK/p.svg")" 2 "curve 1 in red in both panes"
expect_eq "$(grep -c 'polyline.*#00ff00' "$WORK/p.svg")" 2 "curve 2 in green in both panes"
# The active curve (curve 1 of the design) is drawn after the other one.
expect_eq "$(grep -o 'polyline[^>]*stroke="#[0-9a-f]*"' "$WORK/p.svg" | grep -o '#[0-9a-f]*' | uniq | tr '\n' ' ')" \
  "#00ff00 #ff0000 #00ff00 #ff0000 " "active curve last in each pane"

# The group delay in place of the phase, and the markers of the active curve.
expect_status 0 "$CLI" plot "$D" --svg "$WORK/gd.svg" --ppd 20 --group-delay --markers
grep -q "Group Delay Plot (" "$WORK/gd.svg" || fail "group delay title"
grep -q "Phase Plot (Deg)" "$WORK/gd.svg" && fail "phase pane shown with --group-delay"
grep -q ">Peak " "$WORK/gd.svg" || fail "peak marker"
grep -q ">Frequency (Hz)<" "$WORK/gd.svg" || fail "frequency axis title"

# An exported curve imported back draws the same.
"$CLI" simulate "$D" --ppd 20 --csv "$WORK/c1.csv"
expect_status 0 "$CLI" plot "$D" --svg "$WORK/imp.svg" --import 1="$WORK/c1.csv"
expect_eq "$(grep -c 'polyline' "$WORK/imp.svg")" 2 "imported curve drawn in both panes"

# Printed page: black on white, title block with the date.
expect_status 0 "$CLI" plot "$D" --svg "$WORK/page.svg" --print-mode 2 --crosshair 1K
grep -q "Gain/Phase Plot" "$WORK/page.svg" || fail "title block"
grep -q "$(LC_ALL=C date '+%B %d, %Y')" "$WORK/page.svg" || fail "title block date"
grep -q 'Vout 1/Vin 1   1.00KHz' "$WORK/page.svg" || fail "printed legend"
expect_status 2 "$CLI" plot "$D" --svg "$WORK/x.svg" --print-mode 1 --page 2
expect_status 2 "$CLI" plot "$D" --svg "$WORK/x.svg" --print-mode 3
expect_status 1 "$CLI" plot "$D" --svg "$WORK/x.svg" --start 5K --stop 1K
expect_status 2 "$CLI" plot "$D"

# PNG and PDF: real pictures when built with Qt, a clear refusal otherwise.
if "$CLI" plot "$D" --png "$WORK/p.png" >"$WORK/out" 2>"$WORK/err"; then
  expect_eq "$(head -c 8 "$WORK/p.png" | od -An -tx1 | tr -d ' \n')" "89504e470d0a1a0a" "PNG signature"
  expect_status 0 "$CLI" plot "$D" --pdf "$WORK/p.pdf" --size 800x600
  expect_eq "$(head -c 5 "$WORK/p.pdf")" "%PDF-" "PDF signature"
else
  grep -q "built without" "$WORK/err" || fail "PNG refusal message: $(cat "$WORK/err")"
fi
finish
