#!/usr/bin/env bash
# Builds the Debian package of Travelia (Release, cpack -G DEB with
# dpkg-shlibdeps), installs it on this machine with apt-get, runs the
# installed /usr/bin/travelia-cli (--version and a short test run) and
# removes the package again. Needs root or sudo for apt-get.
# Usage: scripts/package-deb.sh [--keep]   (--keep leaves the package installed)
set -euo pipefail
cd "$(dirname "$0")/.."
keep=false
[ "${1:-}" = "--keep" ] && keep=true

./scripts/install-deps.sh
build=build/package
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTRAVELIA_BUILD_TESTS=OFF -DTRAVELIA_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/travelia_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/travelia_*.deb)
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
scratch=$(mktemp -d)
cleanup() {
  rm -rf "$scratch"
  $keep || "${sudo_cmd[@]}" apt-get remove -y -qq travelia >/dev/null
}
"${sudo_cmd[@]}" apt-get install -y -qq --reinstall --no-install-recommends "./$deb" >/dev/null
trap cleanup EXIT

test -x /usr/bin/travelia
/usr/bin/travelia-cli --version
/usr/bin/travelia --version
cp samples/panorama.jpg "$scratch/"
/usr/bin/travelia-cli --quiet --one-way --step 50 -f jpg "$scratch/panorama.jpg"
frames=$(ls "$scratch/anim" | wc -l)
[ "$frames" -gt 0 ] || { echo "the installed travelia-cli wrote no frame" >&2; exit 1; }
echo "The installed travelia-cli wrote $frames frames."
for f in /usr/share/applications/org.travelia.Travelia.desktop /usr/share/metainfo/org.travelia.Travelia.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/org.travelia.Travelia.svg /usr/share/man/man1/travelia-cli.1.gz; do
  test -f "$f" || { echo "missing after install: $f" >&2; exit 1; }
done
echo "Package installed, run and checked."
