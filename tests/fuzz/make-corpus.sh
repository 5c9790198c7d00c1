#!/usr/bin/env bash
# Writes the seed corpus of the fuzzing harnesses into tests/fuzz/corpus/ from the shipped files and
# from exports that kalidor-cli makes of them:  tests/fuzz/make-corpus.sh build/bin/kalidor-cli
# (The corpus is committed; run this again when a format changes. Seeds are small on purpose.)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cli="$(realpath "$1")"
src="$here/../.."
out="$here/corpus"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
rm -rf "$out"
mkdir -p "$out"/{xml,design,schematic,jedec,svf,gainphase,vstate,ini,filtertable,library}

# Designs: the examples, a new design of every type, and ZelD/ZelE ones with changed values.
for f in "$src"/support/examples/*.ZEL; do cp "$f" "$out/design/$(basename "$f")"; done
for t in ZelA ZelB ZelC ZelD ZelE; do
  "$cli" new "$t" -o "$tmp/$t.zel"
  cp "$tmp/$t.zel" "$out/design/new-$t.ZEL"
done
"$cli" set "$tmp/ZelD.zel" 0=100 12=200 10=1 --title "T" --comments $'two\r\nlines' -o "$tmp/ZelD-b.zel" >/dev/null
cp "$tmp/ZelD-b.zel" "$out/design/ZelD-changed.ZEL"
# A version 2 file with the symbolic block and filter configurations, written by hand.
printf '<?xml version="1.0"?>\r\n\r\n<ZelDesignData>\r\n\r\n<DocFmtVersion>2</DocFmtVersion>\r\n<DeviceType>ZelE</DeviceType>\r\n\r\n<SymbolicSchematicData>\r\n  <Symbol>\r\n    <Name>Gain</Name>\r\n    <Value>1</Value>\r\n  </Symbol>\r\n</SymbolicSchematicData>\r\n\r\n<FilterCfgA>\r\n<ModifiedFromCfg>-2</ModifiedFromCfg>\r\n<Butterworth>12, 200000, -12.3, -80.1, 6, 1e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12, 7e-12</Butterworth>\r\n</FilterCfgA>\r\n\r\n<FilterCfgB>\r\n<Linear phase 1>7, 30000, -3, -40, 5, 1e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12, 7e-12</Linear phase 1>\r\n</FilterCfgB>\r\n\r\n<Extra>1<Inner/></Extra>\r\n</ZelDesignData>\r\n\r\n' >"$out/design/v2-filters.ZEL"

# The XML reader: small texts of every construct, and a design.
printf '<?xml version="1.0"?>\r\n<Design><Title>a b  </Title><Comments>\r\n<![CDATA[x\r\ny]]>\r\n</Comments><Foo/><!-- c --><Extra a="1">x</Extra></Design>' >"$out/xml/constructs.xml"
printf '<!DOCTYPE Design [ <!ELEMENT Design (Title)> ]>\r\n<Design>\t<Title lang="en">x</Title><&x <a><a></a></Design>\r\nline\n\rline\r\n' >"$out/xml/doctype.xml"
cp "$out/design/v2-filters.ZEL" "$out/xml/design.xml"

# Device schematic support files: the first byte chooses the device type (even ZelA, odd ZelB).
{ printf '\0'; cat "$src/support/SupportFiles/ZelA_Schematic.XML"; } >"$out/schematic/ZelA.XML"
# A small one: the first symbol and the first switch of the ZelA file, with the key list.
zela="$src/support/SupportFiles/ZelA_Schematic.XML"
{ printf '\0'; sed -n '1,5p' "$zela"; sed -n '6,/<\/ZelSymbol>/p' "$zela"; printf '</ZelSchematic>\r\n\r\n<ZelInterconnect>\r\n'
  sed -n '/<Switch>/,/<\/Switch>/p' "$zela" | sed -n '1,/<\/Switch>/p'
  sed -n '/<SymKeysThatHaveInterconnect>/,$p' "$zela"; } >"$out/schematic/ZelA-small.XML"
{ printf '\1'; cat "$src/support/SupportFiles/ZelB_Schematic.XML"; } >"$out/schematic/ZelB.XML"

# JEDEC exports of the examples: the first byte chooses the device type (its number modulo 5).
i=0
for t in ZelA ZelB ZelC ZelD ZelE; do
  "$cli" export "$tmp/$t.zel" --jedec -o "$tmp/$t.jed"
  { printf "\\x$(printf '%02x' $i)"; cat "$tmp/$t.jed"; } >"$out/jedec/$t.jed"
  i=$((i + 1))
done
"$cli" export "$src/support/examples/ZelA_GainStage.ZEL" --jedec -o "$tmp/gain.jed"
{ printf '\0'; sed 's/L0000 /L0000 0101*\r\nL0004 /' "$tmp/gain.jed"; } >"$out/jedec/ZelA-pieces.jed"

# SVF: the download programs of a ZelA and a ZelD, and a few lines of every statement.
"$cli" export "$tmp/ZelA.zel" --svf -o "$out/svf/ZelA.svf"
"$cli" export "$tmp/ZelD.zel" --svf -o "$out/svf/ZelD.svf"
printf 'TRST ON;\r\nFREQUENCY 1E6 HZ;\r\nHIR 5;\r\nHDR 1;\r\nTIR 0;\r\nTDR 0;\r\nENDIR IRPAUSE;\r\nENDDR DRPAUSE;\r\nSIR 13 TDI (0D0D) ;\r\nSDR 34 TDI (0) TDO (1) MASK (3);\r\nRUNTEST 100 TCK 1.0E-3 SEC;\r\nSTATE RESET IDLE;\r\n! comment\r\n// comment\r\nSDR 8 TDI (AA) SMASK (FF);\r\n' >"$out/svf/statements.svf"

# Gain/phase data with each delimiter.
"$cli" simulate "$src/support/examples/ZelA_GainStage.ZEL" --start 100 --stop 10000 --ppd 3 >"$out/gainphase/comma.csv"
"$cli" simulate "$src/support/examples/ZelE_Lowpass.ZEL" --start 1000 --stop 100000 --ppd 2 --delimiter tab >"$out/gainphase/tab.csv"
printf 'Curve_1_Frequency;Curve_1_Gain;Curve_1_Phase\r\n"1000";"-3";"-45"\r\n1e3 2\r\n0.0000004,1,2\r\n' >"$out/gainphase/quoted.csv"

# Virtual device state files after a download: the first byte chooses the type (modulo 5).
i=0
for t in ZelA ZelB ZelC ZelD ZelE; do
  "$cli" program "$tmp/$t.zel" --cable "virtual:$t" --state-dir "$tmp/state" --download >/dev/null
  { printf "\\x$(printf '%02x' $i)"; cat "$tmp/state/virtual-0-$t.state"; } >"$out/vstate/$t.state"
  i=$((i + 1))
done

# Settings.
printf '[JtagConfig]\r\nSVFInterpreterID=0\r\nSVFInterpreterWasChanged=0\r\nTapPortClass=2\r\nPortID=1\r\nVirtualChain=virtual:ZelA,foreign:8,ZelC?tdo=1\r\n\r\n[1.3]\r\n; comment\r\nUserName = Someone \r\n' >"$out/ini/KALIDOR.INI"
# Filter configuration tables: the header and two entries of every type of each shipped table, and
# a table with a tag of the other spelling and an entry that ends early.
for t in ZelD ZelE; do
  f="$src/support/SupportFiles/${t}_FilterTable.XML"
  { head -10 "$f"
    for tag in Bessel LinearPhase1 LinearPhase2 Gaussian Legendre Butterworth Chebyshev Elliptical; do
      grep -m2 "^<$tag>" "$f"
    done
    printf '\r\n</FilterTable>\r\n\r\n'; } >"$out/filtertable/$t-small.XML"
done
printf '<?xml version="1.0"?>\r\n<FilterTable>\r\n<DocFmtVersion>1</DocFmtVersion>\r\n<Count>2</Count>\r\n<Linear phase 1>7, 30000, -3, -40, 5, 1e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12, 7e-12</Linear phase 1>\r\n<Elliptical>9, 1000\r\n</FilterTable>\r\n' >"$out/filtertable/odd.XML"

# The library browser's summaries: two library designs and the hand-written version 2 file.
cp "$src/support/LIBRARY/ZelA_GainStage_x5.ZEL" "$src/support/LIBRARY/$(ls "$src/support/LIBRARY" | grep -m1 '^ZelD')" \
   "$out/library/"
cp "$out/design/v2-filters.ZEL" "$out/library/"
echo "seed corpus written to $out"
