#!/usr/bin/env bash
# Builds Veilkeep and runs every test: the full build (GUI included, warnings as
# errors), then the core alone, without Qt, under the sanitizers, and last the
# fuzzing harnesses, each for a short bounded time on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
scripts/fuzz.sh 25
