#!/usr/bin/env bash
# Installs the build and test dependencies, builds everything with warnings
# as errors and runs every test (Qt tests on the offscreen platform), then
# builds the Debian packages from the same build and tests them installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR="${BUILD_DIR:-build-test}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHATLOG_WERROR=ON ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 300
# Every fuzz target for 20 seconds from its seed corpus (clang build of its own).
FUZZ_BUILD_DIR="$BUILD_DIR-fuzz" FUZZ_BUILD_JOBS="$(nproc)" bash scripts/fuzz.sh all 20
BUILD_DIR="$BUILD_DIR" bash scripts/test-package.sh
