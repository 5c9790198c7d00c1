#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kalidor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
if [ -x build/bin/kalidor ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display is available. Run Kalidor under a virtual display, for example:"
    echo "  xvfb-run -a build/bin/kalidor support/examples/Lowpass.ZEL"
    exit 1
  fi
  exec build/bin/kalidor "$@"
fi
# Until the desktop program is there, show what the command-line program knows.
exec build/bin/kalidor-cli "${@:-devices}"
