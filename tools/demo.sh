#!/usr/bin/env bash
# The demo: what `./run demo` shows once the build is done. $1 is the build folder.
set -euo pipefail
build=$1
"$build/tools/vitrelle" typelib >/dev/null
"$build/tools/vitrelle" summary
