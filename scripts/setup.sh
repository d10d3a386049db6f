#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: installs the Debian packages the build needs
# (only those missing, so a prepared machine starts at once), then configures and builds.
# Sourced, not run: it leaves VELM_ROOT and VELM_BUILD set for the caller.
set -euo pipefail

VELM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VELM_BUILD=${VELM_BUILD:-$VELM_ROOT/build}

velm_packages=(
    build-essential cmake ninja-build pkg-config clang-format mold
    qt6-base-dev qt6-base-dev-tools libgl-dev qcoro-qt6-dev qt6-svg-dev
    qt6-wayland  # the Wayland platform plugin: run.sh on a Wayland session runs natively, as the package does
    qt6-declarative-dev  # Qt Qml's JavaScript engine, in which KaTeX typesets formulas
    qt6-l10n-tools  # lupdate and lrelease, for the texts to translate and the translations
    libjs-katex fonts-katex fonts-inter
    libxcb1-dev libxcb-keysyms1-dev libsodium-dev libsqlite3-dev
    qt6-image-formats-plugins  # WebP, among the images a question may carry
    libbenchmark-dev libmd4c-dev libpoppler-qt6-dev
    xvfb xauth xdotool dbus-daemon
    dpkg-dev file desktop-file-utils appstream
)

velm_missing_packages() {
    local pkg
    for pkg in "${velm_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            printf '%s\n' "$pkg"
        fi
    done
    # The build fetches the Playfair Display fonts with npm. Any npm will do (some machines
    # carry Node.js from elsewhere, whose npm is not a Debian package).
    command -v npm >/dev/null || printf '%s\n' npm
}

velm_install_packages() {
    local missing
    mapfile -t missing < <(velm_missing_packages)
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "velm: installing ${missing[*]}" >&2
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "velm: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

velm_build() {
    if [ ! -f "$VELM_BUILD/build.ninja" ]; then
        cmake -S "$VELM_ROOT" -B "$VELM_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$VELM_BUILD" -j"${VELM_JOBS:-2}"
}

velm_install_packages
velm_build
