#!/usr/bin/env bash
# Installs the dependencies, configures, builds and runs the whole test suite.
# Usage: scripts/test.sh [extra cmake options, e.g. -DRAVIX_ASAN=ON]
# BUILD_DIR (default build) selects the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 900 -j "$(nproc)"
