#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Veilkeep need.
# As root it runs apt-get itself; otherwise it prints the exact command to run.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libssl-dev
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev
    xvfb xauth
    # The Windows cross build and its test run: the 64-bit compiler with C++
    # threads, Wine for 64-bit programs, and GoogleTest built from its sources.
    googletest g++-mingw-w64-x86-64-posix wine wine64
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
