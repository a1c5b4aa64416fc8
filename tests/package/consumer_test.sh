#!/usr/bin/env bash
# Uses a configured and built tree the way other projects do, all out of the
# source tree, in a scratch directory:
#   1. cmake --install into a temporary prefix; the expected files are there;
#   2. a C program built with pkg-config against that prefix;
#   3. a C++ program (zelt::voice) built with find_package against that
#      prefix and against the build tree; a newer major version is refused;
#   4. cpack -G DEB; the package unpacked with dpkg-deb -x holds the same
#      files under /usr, its .pc names /usr, its control fields are right,
#      and the C++ program builds against the unpacked tree.
# Usage: tests/package/consumer_test.sh <build dir>
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
[ $# -eq 1 ] && [ -f "$1/CMakeCache.txt" ] || {
  echo "usage: $0 <configured and built build dir>" >&2
  exit 2
}
build="$(cd "$1" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/zt-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "package test: $*" >&2
  exit 1
}
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version="$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/zelt_voice_engineConfigVersion.cmake")"
[ -n "$version" ] || fail "no version in $build/zelt_voice_engineConfigVersion.cmake"
major="${version%%.*}"
libdir="$(cache CMAKE_INSTALL_LIBDIR)"
incdir="$(cache CMAKE_INSTALL_INCLUDEDIR)"
bindir="$(cache CMAKE_INSTALL_BINDIR)"
lib="libzelt_voice_engine.so"

# Files every installation holds, relative to its prefix.
expected=(
  "$incdir/zelt_voice_engine.h"
  "$incdir/zelt_voice_engine_version.h"
  "$incdir/zelt/voice.hpp"
  "$libdir/$lib.$version"
  "$libdir/$lib.$major"
  "$libdir/$lib"
  "$libdir/cmake/zelt_voice_engine/zelt_voice_engineConfig.cmake"
  "$libdir/cmake/zelt_voice_engine/zelt_voice_engineConfigVersion.cmake"
  "$libdir/cmake/zelt_voice_engine/zelt_voice_engineTargets.cmake"
  "$libdir/pkgconfig/zelt_voice_engine.pc"
)

# check_tree <prefix>: the expected files, SONAME links and the CLI's loader path.
check_tree() {
  local prefix="$1" f
  for f in "${expected[@]}"; do
    [ -e "$prefix/$f" ] || fail "missing $prefix/$f"
  done
  [ "$(readlink "$prefix/$libdir/$lib")" = "$lib.$major" ] || fail "$lib does not link to $lib.$major"
  [ "$(readlink "$prefix/$libdir/$lib.$major")" = "$lib.$version" ] ||
    fail "$lib.$major does not link to $lib.$version"
  objdump -p "$prefix/$libdir/$lib.$version" | grep -q "SONAME *$lib.$major\$" ||
    fail "SONAME of $lib.$version is not $lib.$major"
}

# file_list <prefix>: every file and link below it, relative, sorted.
file_list() { (cd "$1" && find . ! -type d | sed 's|^\./||' | sort); }

# build_cxx <name> <cmake options...>: configures, builds and runs the C++ consumer.
build_cxx() {
  local name="$1"
  shift
  cmake -S "$here/cxx_consumer" -B "$work/$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON -DZT_EXPECTED_VERSION="$version" "$@" \
    >"$work/$name.log" 2>&1 || {
    cat "$work/$name.log" >&2
    fail "$name: configure failed"
  }
  cmake --build "$work/$name" >>"$work/$name.log" 2>&1 || {
    cat "$work/$name.log" >&2
    fail "$name: build failed"
  }
  "$work/$name/cxx_consumer" || fail "$name: the program failed"
}

echo "-- install into a temporary prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
check_tree "$prefix"
if [ -e "$prefix/$bindir/zvoice" ]; then
  loaded="$(ldd "$prefix/$bindir/zvoice" | awk -v so="$lib.$major" '$1 == so { print $3 }')"
  [ -n "$loaded" ] && [ "$(readlink -f "$loaded")" = "$(readlink -f "$prefix/$libdir/$lib.$major")" ] ||
    fail "the installed zvoice does not load the library beside it (${loaded:-not found})"
  echo "   zvoice installed"
else
  echo "   (no zvoice in this build)"
fi

echo "-- C program through pkg-config"
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
pc() { pkg-config "$@" zelt_voice_engine; }
[ "$(pc --modversion)" = "$version" ] || fail "pkg-config version $(pc --modversion), not $version"
[ "$(pc --variable=prefix)" = "$prefix" ] || fail "pkg-config prefix $(pc --variable=prefix)"
# shellcheck disable=SC2046
"${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror $(pc --cflags) "$here/c_consumer.c" \
  -o "$work/c_consumer" $(pc --libs) -Wl,-rpath,"$(pc --variable=libdir)"
"$work/c_consumer" "$version" || fail "the C program failed"

echo "-- C++ program through find_package: installed prefix"
build_cxx cxx-prefix -DCMAKE_PREFIX_PATH="$prefix"
grep -q "^zelt_voice_engine_DIR:PATH=$prefix/" "$work/cxx-prefix/CMakeCache.txt" ||
  fail "find_package did not take the package from $prefix"

echo "-- C++ program through find_package: build tree"
build_cxx cxx-build -Dzelt_voice_engine_DIR="$build"

echo "-- find_package refuses major version $((major + 1))"
if cmake -S "$here/cxx_consumer" -B "$work/cxx-major" -DCMAKE_PREFIX_PATH="$prefix" \
  -DZT_REQUIRED_VERSION="$((major + 1)).0" >"$work/cxx-major.log" 2>&1; then
  fail "find_package accepted version $version for $((major + 1)).0"
fi

echo "-- Debian package"
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB failed"
}
deb="$(find "$work/deb" -maxdepth 1 -name '*.deb')"
[ "$(echo "$deb" | wc -l)" -eq 1 ] && [ -n "$deb" ] || fail "cpack made no single .deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = "zelt-voice-engine" ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
field Depends | grep -q 'libc6' || fail "Depends lacks libc6: $(field Depends)"
for f in Maintainer Section Description; do
  [ -n "$(field "$f")" ] || fail "no $f field"
done
root="$work/root"
dpkg-deb -x "$deb" "$root"
check_tree "$root/usr"
if [ -e "$prefix/$bindir/zvoice" ]; then
  field Depends | grep -q 'libsndfile1' || fail "Depends lacks libsndfile1: $(field Depends)"
fi
diff <(file_list "$prefix") <(file_list "$root/usr") >"$work/files.diff" || {
  cat "$work/files.diff" >&2
  fail "the package and the installation hold different files"
}
[ -z "$(find "$root" -mindepth 1 -maxdepth 1 ! -name usr)" ] || fail "the package installs outside /usr"
grep -qx 'prefix=/usr' "$root/usr/$libdir/pkgconfig/zelt_voice_engine.pc" ||
  fail "the packaged .pc does not name prefix=/usr"
build_cxx cxx-deb -DCMAKE_PREFIX_PATH="$root/usr"

echo "-- package tests passed: $(basename "$deb")"
