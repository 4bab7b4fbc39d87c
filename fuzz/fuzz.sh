#!/usr/bin/env bash
# The fuzz targets, built in build-fuzz/ by ./run:
#   fuzz.sh explore SECONDS  fuzz every target for its share of SECONDS, merge what is
#                            new into fuzz/corpus, keep any crash in fuzz/regressions
#   fuzz.sh replay           each target over its corpus and regressions, then a fixed
#                            number of new inputs from a fixed seed (the test step)
# Either prints one line per target and fails when a target crashed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build-fuzz/fuzz
work=$root/build-fuzz/work
targets=(value_literal script vfm property_stream properties)

# The bag of the properties target is built from its bytes one choice at a time, so
# it gets long inputs from the start; everything else grows from the size of its seeds.
max_len() { [ "$1" = properties ] && echo "-max_len=2048 -len_control=0"; }
dict() { [ -f "$root/fuzz/$1.dict" ] && echo "-dict=$root/fuzz/$1.dict"; }
inputs() {  # the committed inputs of a target, as libFuzzer's corpus arguments
  for d in "$root/fuzz/corpus/$1" "$root/fuzz/regressions/$1"; do [ -d "$d" ] && echo "$d"; done
}
count() { find $(inputs "$1") -type f 2>/dev/null | wc -l; }

# "cov: N ft: M" and the executions from libFuzzer's output.
figures() {
  local log=$1 execs cov
  execs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+$')
  cov=$(grep -E '^#[0-9]+' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+' | tail -1)
  echo "${execs:-?} executions, ${cov:-cov: ? ft: ?}"
}

# A crash, leak, UB report or hang: its input goes to fuzz/regressions/TARGET/, where
# the test step replays it until the defect is fixed.
keep_artifacts() {
  local t=$1 found=0
  for a in "$work/$t/artifacts/"*; do
    [ -f "$a" ] || continue
    mkdir -p "$root/fuzz/regressions/$t"
    cp "$a" "$root/fuzz/regressions/$t/$(basename "$a")"
    echo "fuzz $t: kept fuzz/regressions/$t/$(basename "$a")"
    found=1
  done
  return $found
}

explore() {
  local seconds=$1 status=0
  local share=$(( seconds / ${#targets[@]} ))
  [ "$share" -ge 1 ] || share=1
  for t in "${targets[@]}"; do
    rm -rf "$work/$t" && mkdir -p "$work/$t/new" "$work/$t/artifacts"
    local log=$work/$t/fuzz.log rc=0
    # New units land in the first directory; the committed corpus only gains what
    # the merge below finds new coverage in.
    "$bin/${t}_fuzzer" -max_total_time="$share" -print_final_stats=1 -timeout=10 $(max_len "$t") $(dict "$t") \
      -artifact_prefix="$work/$t/artifacts/" "$work/$t/new" $(inputs "$t") > "$log" 2>&1 || rc=$?
    local before after
    before=$(find "$root/fuzz/corpus/$t" -type f 2>/dev/null | wc -l)
    mkdir -p "$root/fuzz/corpus/$t"
    "$bin/${t}_fuzzer" -merge=1 $(max_len "$t") "$root/fuzz/corpus/$t" "$work/$t/new" > "$work/$t/merge.log" 2>&1 ||
      { echo "fuzz $t: the merge failed (see $work/$t/merge.log)"; status=1; }
    after=$(find "$root/fuzz/corpus/$t" -type f | wc -l)
    echo "fuzz $t: $(figures "$log") in ${share}s, corpus $before -> $after"
    if [ $rc -ne 0 ]; then
      grep -E 'ERROR:|SUMMARY:' "$log" | head -3
      status=1
    fi
    keep_artifacts "$t" || status=1
  done
  return $status
}

replay() {
  local extra=${FUZZ_REPLAY_RUNS:-3000} status=0
  for t in "${targets[@]}"; do
    rm -rf "$work/$t" && mkdir -p "$work/$t/new" "$work/$t/artifacts"
    local log=$work/$t/replay.log n
    n=$(count "$t")
    # -runs counts the committed inputs too: all of them, then `extra` new ones.
    if "$bin/${t}_fuzzer" -runs=$(( n + extra )) -seed=1 -timeout=10 $(max_len "$t") $(dict "$t") \
         -print_final_stats=1 -artifact_prefix="$work/$t/artifacts/" "$work/$t/new" $(inputs "$t") > "$log" 2>&1; then
      echo "fuzz $t: $n inputs and $extra new, $(figures "$log")"
    else
      echo "fuzz $t: FAILED (see $log)"
      grep -E 'ERROR:|SUMMARY:|runtime error' "$log" | head -5
      status=1
    fi
  done
  return $status
}

case "${1:-}" in
  explore) explore "${2:-240}" ;;
  replay) replay ;;
  *) echo "usage: fuzz.sh explore SECONDS | replay" >&2; exit 2 ;;
esac
