#!/usr/bin/env bash
# Copies and loading under Wine: forms of N transparent GlazeChecks over a picture
# against the same forms opaque (BackStyle = 1), each run by the Win32 test container
# with the script "show, wait 300". Each control copies its background three times
# (while it loads and twice at the first activation); the opaque ones copy nothing.
# Whole-run wall times after a warm-up run: the two forms run by turns, five times;
# the best of each, and the median of the five differences as the extra time. The
# opaque form and the form without controls run by turns too, for the cost of
# loading a control: the whole run, closing the form included.
#
# usage: wine_forms.sh ROOT [N...]   (after hosts/activex/build.sh, under xvfb-run)
set -uo pipefail
root=$1
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100 200)
name=wine_forms
. "$root/bench/wine_bench.sh"

form() {  # N BACKSTYLE: N check boxes in rows of eight over the showcase's backdrop
  local n=$1 back_style=$2 i
  echo "Begin Form Bench"
  echo "   Picture = picture(\"$root/examples/backdrop.png\")"
  echo "   Width = 9600"
  echo "   Height = 7200"
  for ((i = 0; i < n; i++)); do
    echo "   Begin GlazeCheck Check$i"
    echo "      Left = $((i % 8 * 1200))"
    echo "      Top = $((i / 8 * 300 % 7200))"
    echo "      Width = 1140"
    echo "      Height = 300"
    echo "      TabIndex = $i"
    echo "      Caption = \"Check $i\""
    [ "$back_style" = 1 ] && echo "      BackStyle = 1"
    echo "   End"
  done
  echo "End"
}
printf 'show\nwait 300\n' > "$work/script.txt"


form 20 1 > "$work/warm.vfm"
seconds "$work/warm.vfm" "$work/script.txt" >/dev/null
# The same run without controls: starting the container and showing the form.
form 0 1 > "$work/empty.vfm"
empty=$(seconds "$work/empty.vfm" "$work/script.txt")

echo "form without controls: $(awk -v e="$empty" 'BEGIN { printf "%.3f", e / 1e6 }') s"
printf '%6s %14s %10s %13s %18s %20s\n' N transparent_s opaque_s extra_s extra_per_copy_ms load_per_control_ms
for n in "${sizes[@]}"; do
  form "$n" 0 > "$work/t$n.vfm"
  form "$n" 1 > "$work/o$n.vfm"
  read -r t o d < <(by_turns "$work/t$n.vfm" "$work/script.txt" "$work/o$n.vfm" "$work/script.txt")
  read -r _ _ l < <(by_turns "$work/o$n.vfm" "$work/script.txt" "$work/empty.vfm" "$work/script.txt")
  awk -v n="$n" -v t="$t" -v o="$o" -v d="$d" -v l="$l" 'BEGIN {
    printf "%6d %14.3f %10.3f %13.3f %18.2f %20.2f\n", n, t / 1e6, o / 1e6, d / 1e6, d / 1e3 / (3 * n), l / 1e3 / n }'
done
