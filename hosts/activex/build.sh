#!/usr/bin/env bash
# Builds Vitrelle.ocx for x64 and x86 into build-activex-x64/ and build-activex-x86/
# under the repository root. The IDL and the toolbox bitmaps come from a generator
# built for this machine first (build-activex-gen/); the type libraries from the
# x64 build's writer, run under 64-bit Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
jobs=${VITRELLE_JOBS:-$(nproc 2>/dev/null || echo 2)}

cmake -S "$root/hosts/activex/gen" -B "$root/build-activex-gen" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-activex-gen" -j "$jobs"
gen="$root/build-activex-gen/vitrelle_activex_gen"

for arch in x64 x86; do
  case $arch in
    x64) toolchain=mingw-w64-x86_64.cmake ;;
    x86) toolchain=mingw-w64-i686.cmake ;;
  esac
  # Both type libraries are written by the x64 build's writer under 64-bit Wine.
  writer=()
  [ $arch = x86 ] && writer=(-DVITRELLE_TYPELIB_WRITER="$root/build-activex-x64/typelib_writer.exe")
  cmake -S "$root/hosts/activex" -B "$root/build-activex-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DVITRELLE_GEN="$gen" "${writer[@]}" >/dev/null
  cmake --build "$root/build-activex-$arch" -j "$jobs"
done
