source "$(dirname "$0")/lib.bash"

expect_eq "$("$CLI" device ZelA --cells | wc -l)" 179 "ZelA cell lines"
expect_eq "$("$CLI" device ZelA --cells | sed -n 6p)" "$(printf '5\tgain_1_XT_b4\t0\t64\t0')" "ZelA cell 5"
expect_eq "$("$CLI" device ZelA --e2 5=1 --symbols | awk -F'\t' '$1==4 {print $3}')" 4 "gain after --e2"
expect_eq "$("$CLI" device ZelA --e2 5=1 --cells | sed -n 6p | cut -f5)" 1 "cell after --e2"
expect_eq "$("$CLI" device ZelD --symbols | cut -f1 | tr '\n' ' ')" "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 64 65 " "ZelD keys"
expect_eq "$("$CLI" device ZelD --symbols | awk -F'\t' '$1==0 {print $5}')" "0.000 pF" "ZelD C1A text"
expect_eq "$("$CLI" device ZelB --symbols | awk -F'\t' '$1==39 {print $5}')" 'Code:  80h\r\n0.0000V' "ZelB DAC text escaped"
expect_eq "$("$CLI" device ZelA --set 4=2 7=0 --symbols | awk -F'\t' '$1==4 {print $5}')" "-3" "signed gain text"
expect_eq "$("$CLI" device ZelD --set 11=5 --cells | awk -F'\t' '$1==94 || $1==95 {printf $5}')" "01" "ZelD gain cells"
# Pairs apply in order: the later --e2 overrides the --set.
expect_eq "$("$CLI" device ZelA --set 3=1 --e2 2=0 --symbols | awk -F'\t' '$1==3 {print $3}')" 0 "order of pairs"

expect_status 2 "$CLI" device ZelQ --cells
grep -q 'unknown device type' "$WORK/err" || fail "unknown type message"
expect_status 2 "$CLI" device ZelA --set 4 --cells
expect_status 2 "$CLI" device ZelA --set 83=1 --symbols
# ZelC's multiplexer pins take a value without a record; the same keys of another device are no
# symbols at all.
expect_status 0 "$CLI" device ZelC --set 33=1 --symbols
expect_status 2 "$CLI" device ZelA --set 33=1 --symbols
grep -q 'device ZelA has no symbol key 33' "$WORK/err" || fail "no key 33 on ZelA"
expect_status 2 "$CLI" device ZelD --set 34=1 --symbols
expect_status 2 "$CLI" device ZelA --e2 179=1 --cells
expect_status 2 "$CLI" device ZelA --set x=1 --cells
expect_status 2 "$CLI" device ZelA
expect_status 2 "$CLI" nonsense
expect_status 0 "$CLI" devices
finish
