#!/usr/bin/env bash
# Nested frames under Wine: a form of N transparent GlazeChecks spread over three
# levels of transparent GlazeFrames (three frames on the form, three in each of
# those, three in each of those again), against the same form opaque (every check
# and frame BackStyle = 1), run by the Win32 test container with the script
# "show, wait 800": room for the three levels of 150 ms refreshes. The opaque form
# copies nothing. Then one check of an innermost frame refreshed again and again,
# on that form and on a form holding only it and its three frames. Whole-run wall
# times after a warm-up run, each comparison's two runs by turns (wine_bench.sh).
#
# usage: wine_frames.sh ROOT [N...]   (after hosts/activex/build.sh, under xvfb-run)
set -uo pipefail
root=$1
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100)
name=wine_frames
. "$root/bench/wine_bench.sh"

# Twips, on the 640 x 480 screen xvfb-run gives: three level-1 frames stacked on
# the form, three level-2 frames side by side in each, three level-3 frames side
# by side in each of those, every frame with a row or two of checks at its top.
# The checks go round the 39 frames in turn, so that every level holds some, each
# frame taking no more than it has room for.
check_w=600 check_h=240 cell_w=630 cell_h=255 margin=120 caption=300
frame_w=([1]=9360 [2]=2960 [3]=826)
frame_h=([1]=2240 [2]=1550 [3]=900)
room=([1]=14 [2]=4 [3]=2)   # checks a frame of each level holds
rows=([1]=1 [2]=1 [3]=2)    # the rows they take
per_row=([1]=14 [2]=4 [3]=1)
frames_total=39
levels=()                   # each frame's level, in the order the form lists them
for i in 0 1 2; do levels+=(1 2 3 3 3 2 3 3 3 2 3 3 3); done

share_checks() {  # N: how many checks each frame holds, into counts[]
  local left=$1 f placed
  counts=()
  for ((f = 0; f < frames_total; f++)); do counts[f]=0; done
  while [ "$left" -gt 0 ]; do
    placed=0
    for ((f = 0; f < frames_total && left > 0; f++)); do
      if [ "${counts[f]}" -lt "${room[${levels[f]}]}" ]; then
        counts[f]=$((counts[f] + 1)) left=$((left - 1)) placed=1
      fi
    done
    [ "$placed" = 1 ] || { echo "wine_frames: no room for $1 checks" >&2; exit 1; }
  done
}

emit_check() {  # INDENT LEFT TOP
  echo "$1Begin GlazeCheck Check$next_check"
  echo "$1   Left = $2"
  echo "$1   Top = $3"
  echo "$1   Width = $check_w"
  echo "$1   Height = $check_h"
  echo "$1   TabIndex = $tab"
  echo "$1   Caption = \"$next_check\""
  [ "$back_style" = 1 ] && echo "$1   BackStyle = 1"
  echo "$1End"
  next_check=$((next_check + 1)) tab=$((tab + 1))
}

emit_frame() {  # INDENT LEVEL LEFT TOP
  local indent=$1 level=$2 f=$next_frame i
  next_frame=$((next_frame + 1))
  echo "${indent}Begin GlazeFrame Frame$f"
  echo "${indent}   Left = $3"
  echo "${indent}   Top = $4"
  echo "${indent}   Width = ${frame_w[level]}"
  echo "${indent}   Height = ${frame_h[level]}"
  echo "${indent}   TabIndex = $tab"
  echo "${indent}   Caption = \"Level $level\""
  [ "$back_style" = 1 ] && echo "${indent}   BackStyle = 1"
  tab=$((tab + 1))
  for ((i = 0; i < counts[f]; i++)); do
    emit_check "$indent   " $((margin + i % per_row[level] * cell_w)) $((caption + i / per_row[level] * cell_h))
  done
  if [ "$level" -lt 3 ]; then
    for i in "${fan[@]}"; do
      emit_frame "$indent   " $((level + 1)) $((margin + i * (frame_w[level + 1] + margin))) \
        $((caption + rows[level] * cell_h))
    done
  fi
  echo "${indent}End"
}

frame_rows() {  # the form's level-1 frames, each holding what fan[] lets it
  local i
  echo "Begin Form Frames"
  echo "   Picture = picture(\"$root/examples/backdrop.png\")"
  echo "   Width = 9600"
  echo "   Height = 7200"
  for i in "${fan[@]}"; do
    emit_frame "   " 1 120 $((120 + i * (frame_h[1] + 120)))
  done
  echo "End"
}

form() {  # N BACKSTYLE
  back_style=$2 next_check=0 next_frame=0 tab=0 fan=(0 1 2)
  share_checks "$1"
  frame_rows
}

# The first check of the first level-3 frame (Frame2) of the form of N, on a form
# that holds nothing else but the two frames around it and the one it lies in, each
# where it lies on the nested form: all that a copy of it has beneath it there.
lone_check_name() {  # N
  share_checks "$1"
  echo "Check$((counts[0] + counts[1]))"
}
lone_form() {  # N
  back_style=0 next_frame=0 tab=0 fan=(0)
  share_checks "$1"
  next_check=$((counts[0] + counts[1]))
  local f
  for ((f = 0; f < frames_total; f++)); do counts[f]=0; done
  counts[2]=1
  frame_rows
}
printf 'show\nwait 800\n' > "$work/script.txt"


form 20 1 > "$work/warm.vfm"
seconds "$work/warm.vfm" "$work/script.txt" >/dev/null

printf '%6s %7s %14s %10s %13s\n' N frames transparent_s opaque_s extra_s
for size in "${sizes[@]}"; do
  form "$size" 0 > "$work/t$size.vfm"
  form "$size" 1 > "$work/o$size.vfm"
  [ "$(grep -c 'Begin GlazeCheck' "$work/t$size.vfm")" -eq "$size" ] ||
    { echo "wine_frames: the form of $size holds another number of checks" >&2; exit 1; }
  read -r t o d < <(by_turns "$work/t$size.vfm" "$work/script.txt" "$work/o$size.vfm" "$work/script.txt")
  awk -v n="$size" -v f="$frames_total" -v t="$t" -v o="$o" -v d="$d" 'BEGIN {
    printf "%6d %7d %14.3f %10.3f %13.3f\n", n, f, t / 1e6, o / 1e6, d / 1e6 }'
done

# One copy of an innermost check, on the settled nested form and alone in its
# frames: the same script with and without `refreshes` calls of its Refresh, each
# letting the check paint before the next (the Refresh after it pumps the
# messages first), by turns; the difference over the calls.
refreshes=1000
extra() {  # FORM: microseconds that the refreshes add
  by_turns "$1" "$work/refresh.txt" "$1" "$work/script.txt" | cut -d' ' -f3
}
printf '%6s %8s %18s %16s %18s\n' N check nested_per_copy_ms alone_per_copy_ms nested_over_alone
for size in "${sizes[@]}"; do
  check=$(lone_check_name "$size")
  lone_form "$size" > "$work/l$size.vfm"
  [ "$(grep -c 'Begin Glaze' "$work/l$size.vfm")" -eq 4 ] ||
    { echo "wine_frames: the lone form of $size holds another number of controls" >&2; exit 1; }
  { cat "$work/script.txt"; for ((i = 0; i < refreshes; i++)); do echo "call $check.Refresh"; done; } \
    > "$work/refresh.txt"
  awk -v n="$size" -v c="$check" -v k="$refreshes" -v a="$(extra "$work/t$size.vfm")" -v b="$(extra "$work/l$size.vfm")" 'BEGIN {
    a = a / 1e3 / k; b = b / 1e3 / k
    printf "%6d %8s %18.3f %16.3f %18.2f\n", n, c, a, b, (b > 0 ? a / b : 0) }'
done
