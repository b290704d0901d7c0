#!/usr/bin/env bash
# Installs what the viewer needs, builds it and opens the bundled sample archive.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCHATLOG_BUILD_TESTS=OFF -DCHATLOG_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j"$(nproc)" --target chatscope
exec "$BUILD_DIR/viewer/app/chatscope" samples/sample.log
