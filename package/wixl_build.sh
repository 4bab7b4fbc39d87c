#!/usr/bin/env bash
# One package from its product source and the components (build-package/Vitrelle.wxs)
# with the servers staged beside them (build-package/stage/): package/build.sh uses
# it for the packages it ships, the install tests for an older version to upgrade from.
# usage: wixl_build.sh x64|x86 PRODUCT.wxs OUT.msi
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pkg=$root/build-package
arch=$1 product=$(realpath "$2") msi=$(realpath -m "$3")
gen="$root/build-activex-gen/vitrelle_activex_gen"

# wixl finds sources relative to the folder it runs in only, and it warns about
# every value-less key it writes (the table it writes is right).
log=$(mktemp)
if ! (cd "$pkg" && wixl -a "$arch" -D VitrelleSource=stage -o "$msi" "$product" Vitrelle.wxs) 2>"$log"; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"
# wixl may finish without writing a package when a source is missing.
files=$(msiinfo export "$msi" File 2>/dev/null || true)
grep -q 'Vitrelle\.ocx' <<<"$files" || { echo "wixl_build: $msi holds no server" >&2; exit 1; }
# wixl leaves the file version empty, and the installer then compares a shared
# server by dates instead of by version.
msibuild "$msi" -q "UPDATE \`File\` SET \`Version\` = '$("$gen" file-version)'"
