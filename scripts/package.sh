#!/usr/bin/env bash
# Builds the Debian packages libtarnsrvc1, libtarnsrvc-dev and tarnsrvc-tools
# (and their -dbgsym debug packages) with dpkg-buildpackage and debhelper
# (debian/), from a Release tree in build-release/ that is kept between runs,
# then checks them with lintian:
#
#   scripts/package.sh [--check]
#
# The packages, the .buildinfo and the .changes land in build-deb/. It fails
# when the build fails, when debian/changelog's version is not the one of
# CMakeLists.txt, or when lintian reports an error or a warning
# (docs/packaging.md lists the intended ones, overridden in debian/).
# --check also unpacks the three packages into a scratch root (dpkg -x)
# and runs there a C consumer built through the packaged pkg-config file,
# tarnadm --version and a tarnadm listing.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac
scripts/setup.sh

version=$(sed -n 's/^project(TarnSrvc VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$(dpkg-parsechangelog -S Version)" != "$version" ]; then
  echo "debian/changelog is at $(dpkg-parsechangelog -S Version), CMakeLists.txt at $version" >&2
  exit 1
fi
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
out=$PWD/build-deb
rm -rf "$out"
mkdir -p "$out"

echo "== packages from build-release/ (dpkg-buildpackage; log in build-deb/build.log)"
if ! TARN_DEB_DIR=$out dpkg-buildpackage -b --no-sign -j"$(nproc)" \
       --buildinfo-file="$out/tarnsrvc_${version}_$arch.buildinfo" --buildinfo-option=-u"$out" \
       --changes-file="$out/tarnsrvc_${version}_$arch.changes" --changes-option=-u"$out" \
       >"$out/build.log" 2>&1; then
  grep -v '^\[[0-9]*/[0-9]*\] ' "$out/build.log" | tail -40 >&2
  echo "the package build failed (full log: build-deb/build.log)" >&2
  exit 1
fi
ls "$out"/*.deb

echo "== lintian"
lintian --fail-on error,warning "$out/tarnsrvc_${version}_$arch.changes"
echo "lintian: no error, no warning"
((check)) || exit 0

echo "== the packages unpacked into a scratch root: a consumer and tarnadm"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarn-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset TARN_DATA_DIR DEMO_ROUTER TARN_MODULE_PATH LD_LIBRARY_PATH PKG_CONFIG_PATH
for package in libtarnsrvc1 libtarnsrvc-dev tarnsrvc-tools; do
  dpkg -x "$out/${package}_${version}_$arch.deb" "$work/root"
done
usr=$(realpath "$work/root/usr")
pc=$usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/pkgconfig
# The way README.md tells a consumer outside the system prefix to link.
cc -std=c11 -Wall -Wextra -Wpedantic -Werror tests/install/consumer.c -o "$work/consumer" \
  $(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs tarnsrvc) \
  -Wl,-rpath,"$(PKG_CONFIG_PATH=$pc pkg-config --variable=libdir tarnsrvc)"
for program in "$work/consumer" "$usr/bin/tarnadm"; do
  loaded=$(ldd "$program" | awk '$1 == "libTarnSrvc.so.1" { print $3 }')
  [[ $(realpath "$loaded") == "$usr"/* ]] || { echo "$program loads $loaded, not the scratch root's" >&2; exit 1; }
done
cp -r "$usr/share/tarnsrvc" "$work/data"
TARN_DATA_DIR=$work/data DEMO_ROUTER=ON "$work/consumer"
"$usr/bin/tarnadm" --version
[ "$("$usr/bin/tarnadm" --version)" = "tarnadm (TarnSrvc) $version" ]
"$usr/bin/tarnadm" --router demo --data-dir "$work/data" --node DEMO -o csv names PRINTER
echo "the packages work from a scratch root"
