#!/usr/bin/env bash
# Installs the Debian packages that Kalidor needs to build, test and run, when any is missing;
# "deps.sh package" also those that build and check the Debian package.
set -euo pipefail
packages=(qt6-base-dev qt6-svg-dev libqt6svg6 cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev xvfb xauth dbus-bin dbus-x11 ngspice xdg-utils desktop-file-utils
          shared-mime-info bash-completion clang-14 libclang-rt-14-dev python3-dbus libftdi1-dev openocd)
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev lintian file)
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
