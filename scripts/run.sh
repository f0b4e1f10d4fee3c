#!/usr/bin/env bash
# Builds Veilkeep (release) and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/src/orvanveilkeep "$@"
