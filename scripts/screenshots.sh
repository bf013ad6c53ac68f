#!/usr/bin/env bash
# Draws the README's pictures (docs/screenshots/) with the real screens over
# a small sample shop, on the offscreen platform; run after a change to a
# pictured screen. Uses the tests' build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B build "${generator[@]}" -DPELLOMAR_TESTS=ON >/dev/null
cmake --build build --parallel "$(nproc)" --target pellomar_screenshots
QT_QPA_PLATFORM=offscreen ./build/tests/app/pellomar_screenshots docs/screenshots
