#!/usr/bin/env bash
# Fetches the sources of the third-party libraries as Debian source packages
# and cross-builds them for i686 Windows into build/deps/prefix.
# Idempotent: a library whose stamp file exists is not built again.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps=${TESSAVEL_DEPS_DIR:-$root/build/deps}
prefix=$deps/prefix
toolchain=$root/cmake/i686-w64-mingw32.cmake
mkdir -p "$deps/src" "$prefix"

fetch_source() { # name version-glob dir-glob
  local name=$1 version=$2
  if ! ls -d "$deps/src/$name"-*/ >/dev/null 2>&1; then
    (cd "$deps/src" && apt-get source --download-only "$name=$version" >/dev/null \
       && for dsc in "$name"_*.dsc; do dpkg-source -x "$dsc" >/dev/null; done)
  fi
  ls -d "$deps/src/$name"-*/ | head -n 1
}

build_libjpeg() {
  [ -f "$prefix/.libjpeg-turbo" ] && return
  local src; src=$(fetch_source libjpeg-turbo 1:2.1.5-2)
  cmake -S "$src" -B "$deps/build-libjpeg" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >/dev/null
  cmake --build "$deps/build-libjpeg" --target install >/dev/null
  touch "$prefix/.libjpeg-turbo"
}

build_pcre2() {
  [ -f "$prefix/.pcre2" ] && return
  local src; src=$(fetch_source pcre2 10.42-1)
  cmake -S "$src" -B "$deps/build-pcre2" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
    -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_JIT=ON -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_BUILD_PCRE2GREP=OFF \
    -DPCRE2_BUILD_TESTS=OFF >/dev/null
  cmake --build "$deps/build-pcre2" --target install >/dev/null
  touch "$prefix/.pcre2"
}

build_libjpeg
build_pcre2
echo "$prefix"
