#!/usr/bin/env bash
# Builds Debian's libjpeg-turbo (the same version as libjpeg62-turbo-dev) as a static
# library with the fuzzer's coverage and the sanitizers, so that libFuzzer sees inside the
# library instead of fuzzing blind. The source comes from Debian through apt-get, with a
# private source list: the system's apt configuration is left alone.
#   build-instrumented-libjpeg.sh BUILD_DIR
# then configure the fuzz build with the three -D options it prints.
set -euo pipefail
out=$(realpath -m "${1:?usage: build-instrumented-libjpeg.sh BUILD_DIR}")
mkdir -p "$out/apt/lists/partial" "$out/src"
echo "deb-src http://deb.debian.org/debian bookworm main" > "$out/apt/sources.list"
apt_opts=(-o Dir::Etc::SourceList="$out/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o Dir::State::Lists="$out/apt/lists")
if ! ls "$out"/src/libjpeg-turbo_*.orig.tar.gz >/dev/null 2>&1; then
  apt-get "${apt_opts[@]}" update -qq
  (cd "$out/src" && apt-get "${apt_opts[@]}" source --download-only libjpeg-turbo)
fi
tar -C "$out/src" -xzf "$out"/src/libjpeg-turbo_*.orig.tar.gz
srcdir=$(find "$out/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -O1"
CC=clang-14 cmake -S "$srcdir" -B "$out/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENABLE_SHARED=0 \
      -DWITH_SIMD=0 -DWITH_TURBOJPEG=0 -DCMAKE_C_FLAGS="$flags" -DCMAKE_POSITION_INDEPENDENT_CODE=ON >/dev/null
make -C "$out/build" -j2 jpeg-static >/dev/null
mkdir -p "$out/include"
cp "$srcdir"/{jpeglib.h,jmorecfg.h,jerror.h} "$out/build/jconfig.h" "$out/include/"
echo "-DJPEG_LIBRARY=$out/build/libjpeg.a -DJPEG_LIBRARY_RELEASE=$out/build/libjpeg.a -DJPEG_INCLUDE_DIR=$out/include"
