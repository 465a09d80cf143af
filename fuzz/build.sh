#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan into build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./fuzz/install-fuzz-deps.sh
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_COMPILER_LAUNCHER=$(command -v ccache || true) \
  -DTRAVELIA_FUZZ=ON -DTRAVELIA_BUILD_TESTS=OFF -DTRAVELIA_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "${JOBS:-2}" --target fuzz_bmp fuzz_jpeg fuzz_picture fuzz_tiff fuzz_png fuzz_xmp
