#!/usr/bin/env bash
# Builds Veilkeep and runs every test: the full build (GUI included, warnings as
# errors), then the core alone, without Qt, under the sanitizers, the fuzzing
# harnesses, each for a short bounded time on its seed corpus, and last the
# Windows build of the core and vklocker, its tests run under Wine. The Windows
# build comes first, so that the full build's tests open its lockers too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
scripts/fuzz.sh 25

# One Wine server for the whole run: a server that ends between two tests
# (it stops after a few idle seconds) resets the connection of the next one.
# Wine's own services start once here, away from the tests' output: started
# by a test, they would hold its output open and CTest would wait for ever.
wineserver --persistent
trap 'wineserver --kill || true' EXIT
wineboot --init </dev/null >/dev/null 2>&1
ctest --preset windows -j "$jobs"
