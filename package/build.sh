#!/usr/bin/env bash
# Builds what users install and what developers redistribute, into build-package/
# under the repository root (VERSION is the library's, from the type model):
#   Vitrelle-VERSION-x64.msi  both servers, for 64-bit Windows
#   Vitrelle-VERSION-x86.msi  the 32-bit server, for 32-bit Windows (or 32-bit hosts alone)
#   Vitrelle-VERSION-wix.zip  the same components as WiX source with both servers, for an
#                             application's own installer
#   Vitrelle-VERSION.zip      both servers, their type libraries and the README, for
#                             registering by hand
# The servers come from hosts/activex/build.sh; with --no-server-build the ones
# already built are used.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-package

[ "${1:-}" = --no-server-build ] || "$root/hosts/activex/build.sh" >/dev/null
gen="$root/build-activex-gen/vitrelle_activex_gen"
version=$("$gen" version)

rm -rf "$out"
mkdir -p "$out/stage/x64" "$out/stage/x86"
for arch in x64 x86; do
  cp "$root/build-activex-$arch/Vitrelle.ocx" "$out/stage/$arch/"
  cp "$root/build-activex-$arch/generated/Vitrelle.tlb" "$out/stage/$arch/"
done

"$gen" wix-fragment > "$out/Vitrelle.wxs"
for arch in x64 x86; do
  "$gen" wix-product "$arch" > "$out/Vitrelle-$arch.wxs"
  "$root/package/wixl_build.sh" "$arch" "$out/Vitrelle-$arch.wxs" "$out/Vitrelle-$version-$arch.msi"
done

# Fixed times and no extra attributes: the same inputs give the same archives.
touch -d '2000-01-01 00:00:00 UTC' "$out"/stage/*/* "$out/Vitrelle.wxs"
cp "$root/README.md" "$out/stage/README.md"
touch -d '2000-01-01 00:00:00 UTC' "$out/stage/README.md"
(cd "$out/stage" && zip -q -X "$out/Vitrelle-$version.zip" x64/Vitrelle.ocx x64/Vitrelle.tlb \
  x86/Vitrelle.ocx x86/Vitrelle.tlb README.md)
cp -p "$out/Vitrelle.wxs" "$out/stage/Vitrelle.wxs"
(cd "$out/stage" && zip -q -X "$out/Vitrelle-$version-wix.zip" Vitrelle.wxs x64/Vitrelle.ocx x86/Vitrelle.ocx README.md)

(cd "$out" && ls -l Vitrelle-"$version"*.msi Vitrelle-"$version"*.zip | awk '{ printf "%-28s %9d bytes\n", $9, $5 }')
