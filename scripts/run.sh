#!/usr/bin/env bash
# Installs what is missing, builds Travelia in Release and starts it.
# An optional argument names a picture to open at start.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target travelia travelia-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found (DISPLAY is not set): Travelia is a desktop program." >&2
  echo "Start it on a desktop session, or under a virtual X server:" >&2
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' $build/bin/travelia ${1:+\"$1\"}" >&2
  echo "The command-line front end works without a display: $build/bin/travelia-cli --help" >&2
  exit 1
fi
exec "$build/bin/travelia" "$@"
