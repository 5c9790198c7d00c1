#!/usr/bin/env bash
# Builds the Debian package of Kalidor with CPack (installing into /usr) and checks it with lintian.
# The package lands in build-package/package/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DKALIDOR_TESTS=OFF -DKALIDOR_BENCH=OFF >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack --config CPackConfig.cmake >/dev/null)
deb=$(ls -t build-package/package/kalidor_*.deb | head -n 1)
echo "Package: $deb"
# lintian runs as a normal user where it can; errors fail the script, warnings are shown.
lintian --fail-on error --no-tag-display-limit "$deb"
# The unpacked package works where it lies: its kalidor-cli finds its support files and runs a
# library design.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
(cd / && "$root/usr/bin/kalidor-cli" simulate "$root/usr/share/kalidor/LIBRARY/ZelA_Biquad_Lowpass2_20kHz.ZEL" \
   --start 1000 --stop 100000 --ppd 1 >/dev/null)
echo "Unpacked with dpkg -x, its kalidor-cli runs a library design: OK"
