#!/usr/bin/env bash
# The demo: what `./run demo` shows once the build is done. $1 is the build folder.
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/out"
"$build/tools/vitrelle" summary
echo
"$build/tools/vitrelle" render "$root/examples/showcase.vfm" -o "$root/out/showcase.png" >/dev/null
echo "The showcase form, rendered by the model host: $root/out/showcase.png"
echo
echo "A scripted run of the same form (vitrelle run examples/showcase.vfm examples/showcase.txt),"
echo "without the property reports of loading:"
"$build/tools/vitrelle" run "$root/examples/showcase.vfm" "$root/examples/showcase.txt" | grep -v '^@0 changed'
