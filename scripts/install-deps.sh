#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need that this Debian machine lacks.
# Does nothing when everything is there; otherwise needs root (or sudo).
set -euo pipefail

packages=(
    cmake ninja-build g++ binutils pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    openocd valgrind
    man-db groff-base dpkg-dev file
    # SHA-256 (libcrypto) for the digests by which kelsvf check and diff show long values.
    libssl-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
        missing+=("$package")
    fi
done
((${#missing[@]} > 0)) || exit 0

echo "installing: ${missing[*]}"
sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
