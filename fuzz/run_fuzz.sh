#!/usr/bin/env bash
# Runs every libFuzzer target of a QUILLET_FUZZ build for its own time, in
# two lanes, starting from a scratch copy of its seed corpus and regression
# inputs (the committed corpus is not changed). Prints the executions of each
# target and exits non-zero when any target found a failure; the failing
# input is kept as <findings>/<target>-crash-... (or leak-, timeout-, oom-).
#
#   fuzz/run_fuzz.sh BUILD_DIR [SECONDS] [FINDINGS_DIR]
#
# Without SECONDS, each target runs for the time in `seconds` below; with
# it, every target runs that long (a longer hunt by hand).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
every="${2:-}"
findings="${3:-$(mktemp -d)}"
mkdir -p "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Largest useful input per target: a stored page with its capacity, a page,
# a snapshot with a ROM image and two blocks stored raw, a command line, a
# processor's registers and program, a tape image or a short recording, a
# typing script with a monitor image's font, a symbol file or a list of
# cases long enough that a reader quadratic in its lines runs past the
# timeout (tens of thousands of lines), a machine's registers and the bytes
# of its memory.
declare -A max_len=([unpack_block]=16386 [pack_unpack]=16384 [read_snapshot]=32896 [parse_command_line]=4096
  [cpu_differential]=4096 [read_tape]=65536 [typing_and_screen_text]=8192 [read_symbols_and_tests]=262144
  [machine_differential]=4096)

# Time per target, after what the targets have found (fuzz/regressions and
# the fixes they led to): the tape readers, the typist and screen text, the
# processor against its reference and the symbol and case readers found
# faults and keep the most time; so does the machine's differential, the
# youngest and widest. The block codec, the snapshot reader and the command
# line have found nothing so far (no regression inputs) and their inputs are
# small: a short run still replays and mutates their whole corpus. The two
# lanes take about 120 s each (they took 180 and 190 s: CI's twenty
# minutes leave no room for more; a longer hunt by hand gives SECONDS).
declare -A seconds=([read_tape]=45 [cpu_differential]=40 [read_symbols_and_tests]=35 [parse_command_line]=15
  [typing_and_screen_text]=40 [machine_differential]=45 [read_snapshot]=10 [unpack_block]=5 [pack_unpack]=5)
lanes=("read_tape cpu_differential read_symbols_and_tests"
  "typing_and_screen_text machine_differential parse_command_line read_snapshot unpack_block pack_unpack")

run_target() {
  local target="$1"
  mkdir -p "$work/$target"
  cp "$here/corpus/$target/"* "$work/$target/" 2>/dev/null
  cp "$here/regressions/$target/"* "$work/$target/" 2>/dev/null
  "$build/fuzz/fuzz_$target" "$work/$target" -max_total_time="${every:-${seconds[$target]}}" -timeout=10 \
    -max_len="${max_len[$target]}" -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" > "$work/$target.log" 2>&1
}

# A target's report, printed in one piece so that the lanes' reports do not
# interleave.
report() {
  local target="$1" result="$2"
  local runs text
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -1)"
  text="$(printf '%-24s %4s s %12s executions  exit %d' "$target" "${every:-${seconds[$target]}}" "${runs:-?}" "$result")"
  if [ "$result" -ne 0 ]; then
    text+=$'\n'"---- $target failed; last lines of its log:"$'\n'"$(tail -40 "$work/$target.log")"
    text+=$'\n'"$(ls "$findings" | sed "s|^|finding: $findings/|")"
  fi
  printf '%s\n' "$text"
}

# Each lane runs its targets one after another and reports each as it ends.
run_lane() {
  local target result lane_status=0
  for target in $1; do
    run_target "$target"
    result=$?
    report "$target" $result
    [ $result -eq 0 ] || lane_status=1
  done
  return $lane_status
}

status=0

pids=()
for lane in "${lanes[@]}"; do
  run_lane "$lane" &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
