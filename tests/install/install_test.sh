#!/usr/bin/env bash
# Installs a build into a scratch prefix and uses it as a client would:
#   install_test.sh <build dir> <source dir> <cc> <c++>
# Checks the installed layout, SONAMEs and exported names; builds the C11
# consumer (-Wpedantic) with find_package and with pkg-config and runs it; moves the
# prefix and runs the tools and the rebuilt consumers from there; builds
# the consumer with add_subdirectory of the source tree. (The Debian
# packages are built and tried by scripts/package.sh --check.)
set -euo pipefail
build=$(realpath "$1"); source=$(realpath "$2"); cc=$3; cxx=$4
consumer_src=$source/tests/install/consumer
# Outside the source and build trees, so that any path into them shows.
work=$(mktemp -d "${TMPDIR:-/tmp}/tarn-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset TARN_DATA_DIR DEMO_ROUTER ROUTEMODULE TARN_MODULE_PATH LD_LIBRARY_PATH

fail() { echo "install test: $*" >&2; exit 1; }
step() { echo "== $*"; }

# run_consumer <binary> <data dir>: the consumer on a fresh copy of the data.
run_consumer() {
  local data=$work/data-$RANDOM
  cp -r "$2" "$data"
  TARN_DATA_DIR=$data DEMO_ROUTER=ON "$1" | grep -E '^consumer: [0-9]+ printers$' || fail "$1 did not list the printers"
}

# check_prefix <prefix>: the installed layout, SONAMEs, exported names.
check_prefix() {
  local p=$1
  for f in lib/libTarnSrvc.so.1 lib/libTarnUtil.so.1 lib/libTarnSrvc.so lib/tarnsrvc/libTarnRpdb.so \
           lib/tarnsrvc/libkvsenv.so lib/tarnsrvc/libTarnObjs.so lib/tarnsrvc/libTarnRout.so include/tarnsrvc/tarnsrvc.h \
           include/tarnsrvc/tarnsrvc_version.h bin/tarnenv bin/tarnmknode bin/tarnuser bin/tarnadm bin/tarnweb \
           share/man/man1/tarnadm.1 share/man/man1/tarnmknode.1 share/man/man1/tarnweb.1 \
           share/bash-completion/completions/tarnadm \
           share/tarnsrvc/tarnobjs.dat share/tarnsrvc/schema.sql share/tarnsrvc/nodes/DEMO.db \
           share/doc/TarnSrvc/README.md share/doc/TarnSrvc/LICENSE \
           lib/cmake/TarnSrvc/TarnSrvcConfig.cmake lib/cmake/TarnSrvc/TarnSrvcConfigVersion.cmake \
           lib/pkgconfig/tarnsrvc.pc lib/pkgconfig/tarnutil.pc; do
    [ -e "$p/$f" ] || fail "$p/$f is missing"
  done
  for lib in TarnSrvc TarnUtil; do
    readelf -d "$p/lib/lib$lib.so.1" | grep -q "Library soname: \[lib$lib.so.1\]" || fail "lib$lib has no versioned SONAME"
    if nm -D --defined-only "$p/lib/lib$lib.so.1" | awk '{print $3}' | grep -E '^_Z|std::'; then
      fail "lib$lib exports C++ names"
    fi
  done
}

# no_build_paths <file...>: ldd resolves nothing into the build or source tree.
no_build_paths() {
  for f in "$@"; do
    if ldd "$f" | grep -F -e "$build" -e "$source"; then fail "$f loads from the build tree"; fi
    if readelf -d "$f" | grep -i runpath | grep -F -e "$build" -e "$source"; then fail "$f has a build run path"; fi
  done
}

# build_find_package <prefix> <dir>, build_pkg_config <prefix> <binary>
build_find_package() {
  cmake -S "$consumer_src" -B "$2" -G Ninja -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_PREFIX_PATH="$1" >/dev/null
  cmake --build "$2" >/dev/null
}
build_pkg_config() {
  local pc=$1/lib/pkgconfig
  "$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror "$consumer_src/../consumer.c" -o "$2" \
    $(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs tarnsrvc) \
    -Wl,-rpath,"$(PKG_CONFIG_PATH=$pc pkg-config --variable=libdir tarnsrvc)"
}

step "install into a scratch prefix"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
check_prefix "$prefix"
no_build_paths "$prefix"/lib/libTarnSrvc.so.1 "$prefix"/lib/tarnsrvc/*.so "$prefix"/bin/*

step "consumer through find_package and through pkg-config"
build_find_package "$prefix" "$work/fp"
run_consumer "$work/fp/consumer" "$prefix/share/tarnsrvc"
build_pkg_config "$prefix" "$work/pc-consumer"
run_consumer "$work/pc-consumer" "$prefix/share/tarnsrvc"

step "the prefix moved elsewhere"
moved=$work/moved/usr
mkdir -p "$work/moved"; mv "$prefix" "$moved"
no_build_paths "$moved"/bin/* "$moved"/lib/libTarnSrvc.so.1
"$moved/bin/tarnenv" --version | grep -q "$("$moved/bin/tarnenv" --version | head -1)" || fail "tarnenv --version"
TARN_DATA_DIR=$moved/share/tarnsrvc "$moved/bin/tarnenv" | grep -q "$moved/lib/tarnsrvc/libTarnRpdb.so" ||
  fail "tarnenv does not find the moved modules"
data=$work/data-moved; cp -r "$moved/share/tarnsrvc" "$data"
"$moved/bin/tarnmknode" --force "$data" SCRATCH "$data/schema.sql" >/dev/null || fail "moved tarnmknode"
TARN_DATA_DIR=$data DEMO_ROUTER=ON "$moved/bin/tarndemo" | grep -q "Demo complete." || fail "moved tarndemo"
build_find_package "$moved" "$work/fp-moved"
run_consumer "$work/fp-moved/consumer" "$moved/share/tarnsrvc"
build_pkg_config "$moved" "$work/pc-moved"
run_consumer "$work/pc-moved" "$moved/share/tarnsrvc"

step "consumer through add_subdirectory of the source tree"
cmake -S "$consumer_src" -B "$work/sub" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNSRVC_SOURCE="$source" \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DTARN_BUILD_TOOLS=OFF >/dev/null
[ ! -d "$work/sub/tarnsrvc/tests" ] || fail "add_subdirectory builds the library's tests"
cmake --build "$work/sub" --target consumer TarnRpdb TarnObjs TarnStrings kvsenv kvscomn >/dev/null
run_consumer "$work/sub/consumer" "$moved/share/tarnsrvc"

echo "install test complete"
