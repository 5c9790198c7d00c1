#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kalidor with an example design open (or with the
# files given as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=(build/bin/examples/ZelA_GainStage.ZEL)
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display is available. Kalidor is a desktop program; run it under a virtual display:"
  echo "  xvfb-run -a build/bin/kalidor ${files[*]}"
  echo "or use the command-line program without one:  build/bin/kalidor-cli --help"
  exit 1
fi
exec build/bin/kalidor "${files[@]}"
