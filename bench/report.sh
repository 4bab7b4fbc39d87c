#!/usr/bin/env bash
# The benchmark report: reads the JSON that each *_bench program wrote (medians of
# its repetitions) and the Wine benchmarks' tables, and writes one plain-text table,
# each figure beside the baseline measured in the same run, and a plot of cost
# against N.
#
# usage: report.sh DIR OUT_TABLE OUT_PLOT   (DIR holds NAME.json and wine_*.txt)
set -euo pipefail
dir=$1 table=$2 plot=$3

# Flatten every benchmark's fields to "name<TAB>key<TAB>value" lines; a JSON
# report has one field a line and "name" first in each benchmark.
for f in "$dir"/*.json; do
  awk '
    /"benchmarks": \[/ { inside = 1; next }
    !inside { next }
    match($0, /^ *"[^"]+": /) {
      key = substr($0, RSTART, RLENGTH); sub(/^ *"/, "", key); sub(/": $/, "", key)
      value = substr($0, RSTART + RLENGTH); sub(/,$/, "", value); gsub(/"/, "", value)
      if (key == "name") name = value; else print name "\t" key "\t" value
    }' "$f"
done > "$dir/flat.tsv"

awk -F'\t' -v dir="$dir" -v datfile="$dir/cost.dat" '
  function us(name,    t, u) {  # the median wall time of a benchmark, in microseconds
    t = v[name "_median", "real_time"]; u = v[name "_median", "time_unit"]
    if (t == "") return -1
    return t * (u == "ns" ? 0.001 : u == "us" ? 1 : u == "ms" ? 1000 : 1e6)
  }
  function field(name, key) { return v[name "_median", key] }
  function fmt(x) {
    if (x < 0) return "not run"
    if (x >= 10000) return sprintf("%.1f ms", x / 1000)
    if (x >= 1000) return sprintf("%.2f ms", x / 1000)
    if (x >= 10) return sprintf("%.1f us", x)
    return sprintf("%.2f us", x)
  }
  function row(what, n, figure, base, basis, growth,    ratio) {
    ratio = (figure > 0 && base > 0) ? sprintf("%.2fx", figure / base) : "-"
    printf "%-44s %6s %11s %11s %7s  %-34s %s\n", what, n, fmt(figure), fmt(base), ratio, basis, growth
  }
  { v[$1, $2] = $3 }
  END {
    printf "%-44s %6s %11s %11s %7s  %-34s %s\n", "measure", "N", "figure", "baseline", "ratio", "baseline is", "growth it should show"
    split("112x19 640x480 1920x1080", sizes, " ")
    for (i = 0; i < 3; i++)
      row("capture of a window", sizes[i + 1], us("BM_CaptureWindow/" i), us("BM_Memcpy/" i), "memcpy of the same bytes",
          i == 0 ? "linear in the pixels, plus a fixed part" : "")
    split("50 200 1000", ns, " ")
    for (i = 1; i <= 3; i++) {
      n = ns[i]
      row("load and render, opaque GlazeChecks", n, us("BM_OpaqueChecks/" n "/real_time"),
          us("BM_HostControls/" n "/real_time"), "as many host check boxes", i == 1 ? "linear" : "")
    }
    for (i = 1; i <= 3; i++) {
      n = ns[i]
      row("load, show, all copies: transparent", n, us("BM_TransparentChecks/" n "/real_time"),
          us("BM_OpaqueChecks/" n "/real_time"), "the same form opaque", i == 1 ? "linear" : "")
    }
    for (i = 1; i <= 3; i++) {
      n = ns[i]; t = us("BM_TransparentChecks/" n "/real_time"); o = us("BM_OpaqueChecks/" n "/real_time")
      c = field("BM_TransparentChecks/" n "/real_time", "copies")
      row("  extra time per copy (76 x 20)", n, c > 0 ? (t - o) / c : -1, us("BM_OneCopy/1/real_time"),
          "one copy alone on a form", i == 1 ? "constant" : "")
    }
    for (i = 1; i <= 3; i++) {
      n = ns[i]
      row("one copy (76 x 20) amid N shown checks", n, us("BM_OneCopy/" n "/real_time"), us("BM_OneCopy/1/real_time"),
          "one copy alone on a form", i == 1 ? "constant" : "")
    }
    split("10 100 1000 10000", gs, " ")
    for (i = 1; i <= 4; i++) {
      n = gs[i]
      row("GlazeRadio selection (N controls)", n, us("BM_SelectInGroup/" n), n / 10 * us("BM_SelectInGroup/10"),
          "N/10 times the selection at 10", i == 1 ? "linear: each control visited once" : "")
    }
    moves = 10000
    row("slider drag, one move with its paint", 1, us("BM_SliderDragPainted") / moves, us("BM_SliderDrag") / moves,
        "the move without the paint pass", "constant")
    nested = "BM_ActivateNestedForm/iterations:3/real_time"
    base = 0
    for (l = 0; l <= 3; l++) {
      check = "BM_CopyOnNestedForm/0/" l "/min_time:2.000/real_time"
      row("nested frames: copy of a check at level " l, 1000, field(check, "nested_us"), field(check, "alone_us"),
          "the same copy alone on a form", l == 0 ? "constant" : "")
      base += field(nested, "checks_at" l) * field(check, "alone_us")
    }
    for (l = 1; l <= 3; l++) {
      frame = "BM_CopyOnNestedForm/1/" l "/min_time:2.000/real_time"
      row("nested frames: copy of a frame of level " l, 1000, field(frame, "nested_us"), field(frame, "alone_us"),
          "the same copy alone on a form", "")
      base += field(nested, "frame" l "_copies") * field(frame, "alone_us")
    }
    opaque = us("BM_ActivateNestedOpaqueForm/iterations:3/real_time")
    row("nested frames: activation beyond opaque", 1000, us(nested) >= 0 && opaque >= 0 ? us(nested) - opaque : -1,
        base > 0 ? base : -1, "its copies, each priced alone", "linear in the copies")
    # The Wine tables: "N transparent_s opaque_s extra_s per_copy_ms per_control_ms".
    while ((getline line < (dir "/wine_forms.txt")) > 0) {
      k = split(line, w, " ")
      if (line ~ /^form without controls/) empty = w[4] * 1e6
      if (k == 6 && w[1] ~ /^[0-9]+$/) {
        row("Wine: extra time per copy (76 x 20)", w[1], w[5] * 1000, -1, "-", w[1] == 100 ? "linear in N" : "")
        row("Wine: load and show, per opaque control", w[1], w[6] * 1000, empty / w[1], "the empty form / N", "")
      }
    }
    while ((getline line < (dir "/wine_frames.txt")) > 0) {
      k = split(line, w, " ")
      if (k == 5 && w[1] ~ /^[0-9]+$/ && w[2] ~ /^[0-9]+$/)
        row("Wine: nested frames, transparent", w[1], w[3] * 1e6, w[4] * 1e6, "the same form opaque", "")
      if (k == 5 && w[1] ~ /^[0-9]+$/ && w[2] ~ /^Check/)
        row("Wine: nested frames, copy of a check", w[1], w[3] * 1000, w[4] * 1000, "the same copy alone on a form", "")
    }
    # The plot data: cost of the whole operation against N, in milliseconds.
    for (i = 1; i <= 3; i++) {
      n = ns[i]
      printf "%d %g %g %g %g\n", n, us("BM_HostControls/" n "/real_time") / 1000, us("BM_OpaqueChecks/" n "/real_time") / 1000,
        us("BM_TransparentChecks/" n "/real_time") / 1000, us("BM_OneCopy/" n "/real_time") / 1000 > datfile
    }
    for (i = 1; i <= 4; i++) printf "%d %g\n", gs[i], us("BM_SelectInGroup/" gs[i]) / 1000 > (datfile ".group")
  }' "$dir/flat.tsv" | tee "$table"

if command -v gnuplot >/dev/null; then
  gnuplot <<EOF
set terminal pngcairo size 900,560 font "DejaVu Sans,10"
set output "$plot"
set title "Model host: cost against the number of controls N (medians, ./run bench)"
set logscale xy
set xlabel "N (controls on the form)"
set ylabel "wall time (ms)"
set key left top
set grid
plot "$dir/cost.dat" using 1:2 with linespoints title "load + render, host check boxes", \
     "$dir/cost.dat" using 1:3 with linespoints title "load + render, opaque GlazeChecks", \
     "$dir/cost.dat" using 1:4 with linespoints title "load + show + all copies, transparent GlazeChecks", \
     "$dir/cost.dat" using 1:5 with linespoints title "one copy amid N shown checks", \
     "$dir/cost.dat.group" using 1:2 with linespoints title "one GlazeRadio selection"
EOF
else
  echo "report: no plot (gnuplot is missing; ./run bench installs it)" >&2
fi
