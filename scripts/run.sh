#!/usr/bin/env bash
# Installs the dependencies, builds, and starts ravixfinder with the arguments given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target ravixfinder >/dev/null
exec "$BUILD_DIR/shell/ravixfinder" "$@"
