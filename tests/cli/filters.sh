source "$(dirname "$0")/lib.bash"

header="$(printf 'ID\tFilterType\tCut Off: Fc = -3dB\tGain @ 2 X Fc\tGain @ 10 X Fc\tPass Band Freq. (Fp)\tPass Band Ripple\tStop Band Freq. (Fs)\tStop Band Atten.\tFs/Fp Ratio\tMaxVin\tC1\tC2\tL2\tC3\tC4\tL4\tC5')"

# The shipped tables: Butterworth rows between 90 and 110 kHz.
expect_status 0 "$CLI" filters ZelD --type Butterworth --fc 90k:110k
expect_eq "$(head -1 "$WORK/out")" "$header" "column titles"
rows="$(tail -n +2 "$WORK/out")"
[ -n "$rows" ] || fail "no Butterworth rows near 100 kHz"
echo "$rows" | awk -F'\t' '$2 != "Butterworth" { bad = 1 } END { exit bad }' || fail "a row of another type"
echo "$rows" | awk -F'\t' '{ fc = $3 + 0; if (fc < 90 || fc > 110 || $3 !~ /kHz$/) bad = 1 } END { exit bad }' ||
  fail "a row outside 90..110 kHz"
echo "$rows" | awk -F'\t' '$6 != " " || $9 != " " || $12 !~ /^[0-9]+\.[0-9][0-9][0-9]pF$/ { bad = 1 } END { exit bad }' ||
  fail "Butterworth rows show blanks for Fp and attenuation and pF components"
grep -q "^$(echo "$rows" | wc -l) of [0-9]* configurations$" "$WORK/err" || fail "count line"

# Gains take the upper bound first: -25:-35 passes the Butterworth rows at -30 dB, -35:-25 none.
expect_status 0 "$CLI" filters ZelD --type Butterworth --fc 90k:110k --gain2fc -25:-35
expect_eq "$(tail -n +2 "$WORK/out")" "$rows" "gain bounds, upper first"
expect_status 0 "$CLI" filters ZelD --type Butterworth --gain2fc -35:-25
expect_eq "$(tail -n +2 "$WORK/out" | wc -l)" "0" "gain bounds reversed"

# Sorting: Chebyshev 0.5 dB rows of ZelE by descending Fc.
expect_status 0 "$CLI" filters ZelE --type chebyshev --ripple 0.6:0.4 --sort fc:desc
tail -n +2 "$WORK/out" | awk -F'\t' 'NR > 1 && $3 + 0 > prev { bad = 1 } { prev = $3 + 0 } END { exit bad }' ||
  fail "not sorted by descending Fc"
[ "$(tail -n +2 "$WORK/out" | wc -l)" -gt 10 ] || fail "too few Chebyshev 0.5 dB rows"

# Version data.
expect_status 0 "$CLI" filters ZelE --version
expect_eq "$(sed -n 2p "$WORK/out")" "Device Type: ZelE" "version data"

# A table of our own: the 12- and 17-number lines and the 200000/200001 Hz rule.
cat > "$WORK/table.xml" <<'EOF'
<?xml version="1.0"?>
<FilterTable>
<DocFmtVersion>1</DocFmtVersion>
<Version>test</Version>
<DeviceType>ZelD</DeviceType>
<Date>today</Date>
<Count>2</Count>
<Butterworth>5, 200000, -30, -100, 6, 1.0587e-11, 0, 2e-11, 3e-11, 0, 2e-11, 5e-12</Butterworth>
<Elliptical>6, 200001, -60, -70, 190000, 0.1, 270000, 60.5, 1.42, -1, 1e-11, 1e-12, 2e-11, 3.3934e-11, 2e-12, 4e-11, 5e-12</Elliptical>
</FilterTable>
EOF
expect_status 0 "$CLI" filters ZelD --table "$WORK/table.xml"
expect_eq "$(sed -n 2p "$WORK/out" | cut -f1-11)" "$(printf '5\tButterworth\t200.00kHz\t-30.00dB\t-100.00dB\t \t \t \t \t \t6.00')" "12-number line"
expect_eq "$(sed -n 3p "$WORK/out")" "$(printf '6\tElliptical\t200.00kHz\t-60.00dB\t-70.00dB\t190.00kHz\t0.10dB\t270.00kHz\t60.50dB\t1.42\t \t10.000pF\t1.000pF\t20.000pF\t33.934pF\t2.000pF\t40.000pF\t5.000pF')" "17-number line"
expect_status 0 "$CLI" filters ZelD --table "$WORK/table.xml" --atten 61:60
expect_eq "$(tail -n +2 "$WORK/out" | cut -f1)" "6" "attenuation criterion"

# Copying into a design: A takes entry 5 (200000 Hz: lower range), B entry 6 (200001 Hz: upper).
expect_status 0 "$CLI" new ZelD -o "$WORK/d.zel"
expect_status 0 "$CLI" filters ZelD --table "$WORK/table.xml" --copy 5 --config A "$WORK/d.zel"
grep -q "^Configuration A: Butterworth #5, Fc = 200.00kHz" "$WORK/out" || fail "copy report"
expect_status 0 "$CLI" filters ZelD --table "$WORK/table.xml" --copy 6 --config B "$WORK/d.zel" -o "$WORK/d2.zel"
show="$("$CLI" show "$WORK/d2.zel")"
value() { echo "$show" | awk -F'\t' -v k="$1" '$1 == k { print $3 }'; }
text() { echo "$show" | awk -F'\t' -v k="$1" '$1 == k { print $4 }'; }
expect_eq "$(value 7)" "1" "200000 Hz copies the lower range"
expect_eq "$(value 19)" "0" "200001 Hz copies the upper range"
expect_eq "$(value 64)" "5" "A remembers entry 5"
expect_eq "$(value 65)" "6" "B remembers entry 6"
# Element values of the tables themselves (the largest weights of C1 and C3) are set exactly.
expect_eq "$(text 0)" "10.587 pF" "C1 A"
expect_eq "$(text 15)" "33.934 pF" "C3 B"
expect_eq "$(text 64)" 'CfgA \r\nButterworth #5, Fc = 200.00kHz, -30.00dB @ 2 X Fc, -100.00dB @ 10 X Fc' "CFG A text"
# Copying into B left A as it was, and the first design without -o was changed in place only once.
expect_eq "$("$CLI" show "$WORK/d.zel" | awk -F'\t' '$1 == 65 { print $3 }')" "-1" "B of the first design"
expect_eq "$(echo "$show" | awk -F'\t' '$1 >= 0 && $1 <= 7' )" \
          "$("$CLI" show "$WORK/d.zel" | awk -F'\t' '$1 >= 0 && $1 <= 7')" "A untouched by the copy into B"
# An edit afterwards shows "modified from".
expect_status 0 "$CLI" set "$WORK/d2.zel" 3=7
expect_eq "$("$CLI" show "$WORK/d2.zel" | awk -F'\t' '$1 == 64 { print $4 }' | cut -c1-25)" 'CfgA modified from:\r\nBu' "edited"
# The shipped table into a ZelE design.
expect_status 0 "$CLI" new ZelE -o "$WORK/e.zel"
id="$("$CLI" filters ZelE --type Butterworth --fc 9k:12k 2>/dev/null | sed -n 2p | cut -f1)"
[ -n "$id" ] || fail "no ZelE Butterworth row near 11 kHz"
expect_status 0 "$CLI" filters ZelE --copy "$id" --config A "$WORK/e.zel"
expect_eq "$("$CLI" show "$WORK/e.zel" | awk -F'\t' '$1 == 64 { print $3 }')" "$id" "ZelE copy"

# Errors: usage errors exit 2, failures 1 with the program's message.
expect_status 2 "$CLI" filters ZelA
expect_status 2 "$CLI" filters
expect_status 2 "$CLI" filters ZelD --fc 10k
expect_status 2 "$CLI" filters ZelD --type Sallen-Key
expect_status 2 "$CLI" filters ZelD --sort nothing
expect_status 2 "$CLI" filters ZelD --copy 5 "$WORK/d.zel"
expect_status 2 "$CLI" filters ZelD --copy 5 --config C "$WORK/d.zel"
expect_status 2 "$CLI" filters ZelE --copy 5 --config A "$WORK/d.zel"
expect_status 2 "$CLI" filters ZelE --table "$WORK/table.xml"
expect_status 1 "$CLI" filters ZelD --table "$WORK/table.xml" --copy 99 --config A "$WORK/d.zel"
grep -q "No entry was selected.  Copy to Schematic was not performed." "$WORK/err" || fail "no-entry message"
expect_status 1 "$CLI" filters ZelD --table "$WORK/missing.xml"
head -n 4 "$WORK/table.xml" > "$WORK/cut.xml"
expect_status 1 "$CLI" filters ZelD --table "$WORK/cut.xml"
grep -q "</FilterTable>" "$WORK/err" || fail "damaged table message"
finish
