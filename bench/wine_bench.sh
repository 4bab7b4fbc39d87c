# What the Wine benchmarks share, sourced by each after it has set `name` and
# `root`: the checks that the x64 build is there, a prefix of the run's own with the
# server registered ($work, removed at exit), `once FORM SCRIPT`, one whole run of
# the test container in microseconds, `seconds FORM SCRIPT`, the best of three, and
# `by_turns`, two runs compared by turns.
build="$root/build-activex-x64"
if [ ! -x /usr/lib/wine/wine64 ] || [ ! -f "$build/testhost.exe" ] || [ ! -f "$build/Vitrelle.ocx" ]; then
  echo "$name: not run (needs Wine and hosts/activex/build.sh's x64 build)"
  exit 0
fi
. "$root/hosts/activex/tests/wine_env.sh"
# wine_use keeps the server and the test container on one CPU (wine_env.sh says
# why); WINE_CPU=any measures them where the kernel puts them.
echo "$name: the Wine server and the test container on CPU $(wine_cpu)"
work=$(mktemp -d "$build/wineprefix.bench.XXXXXX")
wine_use x64 "$work/prefix" || exit 1
trap 'wine_done; rm -rf "$work"' EXIT
wine_tool regsvr32 /s "Z:${build//\//\\}\\Vitrelle.ocx"

once() {  # FORM SCRIPT: one whole run of the test container, in microseconds
  local start end
  start=$(date +%s%N)
  wine_exe "$build/testhost.exe" "$1" "$2" > "$work/log.txt" 2>&1
  end=$(date +%s%N)
  if grep -q '^testhost:' "$work/log.txt"; then
    echo "$name: the test container failed on $1:" >&2
    cat "$work/log.txt" >&2
    exit 1
  fi
  echo $(((end - start) / 1000))
}

# Two runs compared by turns, five times: the best of each and the median of the
# five differences, in microseconds ("best_a best_b median_a_minus_b"). Each taken
# apart as the best of three, the two sides of a difference moved by a third
# between runs of a benchmark on this shared machine; by turns they move together.
by_turns() {  # FORM_A SCRIPT_A FORM_B SCRIPT_B
  local i a b as=() bs=() diffs=()
  for i in 1 2 3 4 5; do
    a=$(once "$1" "$2") b=$(once "$3" "$4")
    as+=("$a") bs+=("$b") diffs+=($((a - b)))
  done
  echo "$(printf '%s\n' "${as[@]}" | sort -n | head -1) $(printf '%s\n' "${bs[@]}" | sort -n | head -1)" \
    "$(printf '%s\n' "${diffs[@]}" | sort -n | sed -n 3p)"
}

seconds() {  # FORM SCRIPT
  local best="" i t
  for i in 1 2 3; do
    t=$(once "$1" "$2")
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}
