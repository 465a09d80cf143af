#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=build/test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTRAVELIA_SANITIZE=ON -DTRAVELIA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300
