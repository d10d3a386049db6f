#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package velm_<version>_<arch>.deb in
# the build folder. Install it with: sudo apt-get install ./build/velm_*.deb
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$VELM_BUILD"
# A stale package of an older version would otherwise sit next to the new one.
rm -f velm_*.deb
cpack -G DEB --config CPackConfig.cmake
deb=$(ls velm_*.deb)
echo "velm: built $VELM_BUILD/$deb" >&2
dpkg-deb --field "$deb" Package Version Architecture Depends >&2
