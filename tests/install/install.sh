#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would: the installed kalidor-cli
# runs a library design from another directory (finding the support files of the installed tree),
# the installed kalidor starts, and the desktop entry, MIME types, icons, manual pages and bash
# completion are in place; with XDG_DATA_DIRS pointing at the prefix the design type opens with
# Kalidor.
#   install.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR= cmake --install "$build" --prefix "$prefix" >"$work/install.log"

share=$prefix/share
design=$share/kalidor/LIBRARY/ZelA_Biquad_Lowpass2_20kHz.ZEL
for f in "$prefix/bin/kalidor-cli" "$design" "$share/kalidor/SupportFiles/ZelA_Schematic.XML" \
         "$share/kalidor/SPICE/ZelA_SpiceModel.XML" "$share/kalidor/html/index.htm" \
         "$share/kalidor/html/screenshots/library-browser.png" "$share/kalidor/examples/Lowpass.ZEL" \
         "$share/man/man1/kalidor-cli.1.gz" "$share/bash-completion/completions/kalidor-cli" \
         "$share/doc/kalidor/copyright" "$share/doc/kalidor/changelog.gz"; do
  [ -e "$f" ] || fail "$f is not installed"
done
for d in "$prefix/lib/kalidor/MACRO" "$prefix/lib/kalidor/UserDefinedMacro"; do
  [ -d "$d" ] || fail "$d is not installed"
done
if [ -e "$build/bin/biquad" ]; then
  [ -x "$prefix/lib/kalidor/MACRO/ZelA_Biquad" ] || fail "the biquad generator is not installed as MACRO/ZelA_Biquad"
fi
[ "$(ls "$share/kalidor/LIBRARY" | wc -l)" -ge 15 ] || fail "the library is not installed whole"

# The installed program from another directory: the same answers as the build's own.
cd /
"$prefix/bin/kalidor-cli" show "$design" >"$work/show.txt" || fail "installed kalidor-cli show failed"
"$build/bin/kalidor-cli" show "$design" >"$work/show-build.txt"
cmp -s "$work/show.txt" "$work/show-build.txt" || fail "installed and built kalidor-cli disagree"
grep -q "^Title:	Biquad" "$work/show.txt" || fail "no title shown"
# The symbols come from the installed SupportFiles: a ZelA design lists its gain symbols.
grep -q "^4	" "$work/show.txt" || fail "the ZelA schematic was not found in the installed tree"
"$prefix/bin/kalidor-cli" simulate "$design" --start 100 --stop 100000 --ppd 1 >"$work/sim.csv" \
  || fail "installed kalidor-cli simulate failed"
[ "$(wc -l <"$work/sim.csv")" -eq 5 ] || fail "unexpected simulation output"
"$prefix/bin/kalidor-cli" export "$design" --spice -o "$work/model.lib" || fail "Spice export (installed template) failed"
if [ -e "$build/bin/kalidor-cli-raster.so" ]; then
  # The PNG plugin is found in the installed program folder.
  "$prefix/bin/kalidor-cli" plot "$design" --png "$work/plot.png" || fail "installed kalidor-cli plot --png failed"
  [ -s "$work/plot.png" ] || fail "no PNG written"
fi

# The installed kalidor-cli starts the installed SVF server beside it and programs through it.
if [ -e "$build/bin/svfsvr" ]; then
  [ -x "$prefix/bin/svfsvr" ] || fail "svfsvr is not installed"
  mkdir -m 700 "$work/run"
  "$prefix/bin/kalidor-cli" new ZelA -o "$work/a.zel" || fail "installed kalidor-cli new failed"
  XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin "$prefix/bin/kalidor-cli" program "$work/a.zel" \
    --cable virtual:ZelA --state-dir "$work/state" --download --via-server >"$work/server.txt" \
    || fail "installed kalidor-cli could not program through the installed svfsvr"
  grep -q "^svfsvr\[[0-9]*\]: serving" "$work/run/SVFsvr.log" || fail "the installed svfsvr did not serve"
  # Its manual page describes every option of its --help.
  page=$(gzip -dc "$share/man/man1/svfsvr.1.gz")
  for o in $("$prefix/bin/svfsvr" --help | grep -oE -- '--[a-z-]+' | sort -u); do
    grep -q "^\.[BT].*${o//-/\\\\-}" <<<"$page" || fail "the svfsvr manual page does not describe $o"
  done
fi

# The manual page names every command of --help, and the completion offers them.
cmds=$("$prefix/bin/kalidor-cli" --help | awk '/^  [a-z]/ {print $1}')
page=$(gzip -dc "$share/man/man1/kalidor-cli.1.gz")
for c in $cmds; do
  grep -q "^\.BI\? \"\?${c//-/\\\\-}\b" <<<"$page" || grep -q "^\.B ${c//-/\\\\-}$" <<<"$page" \
    || fail "the manual page does not describe \"$c\""
done
bash -n "$share/bash-completion/completions/kalidor-cli" || fail "the completion is not valid bash"
if [ -r /usr/share/bash-completion/bash_completion ]; then
  # Completing "kalidor-cli s" and "kalidor-cli program x.zel --ca" with the installed program.
  got=$(PATH="$prefix/bin:$PATH" bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    complete_words() {
      COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 )); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      COMPREPLY=(); _kalidor_cli; echo "${COMPREPLY[*]}"
    }
    complete_words kalidor-cli s
    complete_words kalidor-cli program x.zel --ca' _ "$share/bash-completion/completions/kalidor-cli")
  [ "$got" = $'show set svf serve-virtual simulate\n--cable --cancel' ] || fail "completion offers: $got"
fi

if [ -e "$prefix/bin/kalidor" ]; then
  for f in "$share/applications/kalidor.desktop" "$share/mime/packages/kalidor.xml" \
           "$share/icons/hicolor/scalable/apps/kalidor.svg" "$share/man/man1/kalidor.1.gz"; do
    [ -e "$f" ] || fail "$f is not installed"
  done
  for size in 16 22 24 32 48 64 128 256; do
    [ -s "$share/icons/hicolor/${size}x${size}/apps/kalidor.png" ] || fail "no ${size}x${size} icon"
  done
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$share/applications/kalidor.desktop" || fail "the desktop entry is not valid"
  fi
  # The installed desktop program opens a library design and paints it.
  if QT_QPA_PLATFORM=offscreen KALIDOR_STARTUP_REPORT=1 XDG_CONFIG_HOME="$work/config" \
       timeout 60 "$prefix/bin/kalidor" "$design" 2>"$work/kalidor.err"; then
    grep -q "first paint; 1 designs open" "$work/kalidor.err" || fail "installed kalidor did not open the design"
  else
    cat "$work/kalidor.err" >&2
    fail "installed kalidor did not start"
  fi
  # A file manager asks the desktop which program opens a design.
  if command -v xdg-mime >/dev/null && command -v update-mime-database >/dev/null &&
     command -v update-desktop-database >/dev/null; then
    [ -e "$share/mime/mime.cache" ] || fail "the install did not update the MIME cache"
    for type in application/x-kalidor-design application/x-kalidor-chain; do
      got=$(XDG_DATA_DIRS="$share" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
            XDG_CONFIG_DIRS="$work/config" xdg-mime query default "$type")
      [ "$got" = kalidor.desktop ] || fail "xdg-mime maps $type to \"$got\""
    done
  else
    echo "xdg-mime, update-mime-database or update-desktop-database missing: association not checked"
  fi
fi
echo "installed into $prefix: OK"
