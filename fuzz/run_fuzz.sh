#!/usr/bin/env bash
# Runs every libFuzzer target of a QUILLET_FUZZ build for a fixed time, two
# at a time, starting from a scratch copy of its seed corpus and regression
# inputs (the committed corpus is not changed). Prints the executions of each
# target and exits non-zero when any target found a failure; the failing
# input is kept as <findings>/<target>-crash-... (or leak-, timeout-, oom-).
#
#   fuzz/run_fuzz.sh BUILD_DIR SECONDS [FINDINGS_DIR]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
seconds="$2"
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
targets=(unpack_block pack_unpack read_snapshot parse_command_line cpu_differential read_tape typing_and_screen_text
  read_symbols_and_tests machine_differential)

run_target() {
  local target="$1"
  mkdir -p "$work/$target"
  cp "$here/corpus/$target/"* "$work/$target/" 2>/dev/null
  cp "$here/regressions/$target/"* "$work/$target/" 2>/dev/null
  "$build/fuzz/fuzz_$target" "$work/$target" -max_total_time="$seconds" -timeout=10 \
    -max_len="${max_len[$target]}" -close_fd_mask=2 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" > "$work/$target.log" 2>&1
}

status=0
report() {
  local target="$1" result="$2"
  local runs
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -1)"
  printf '%-20s %12s executions  exit %d\n' "$target" "${runs:-?}" "$result"
  if [ "$result" -ne 0 ]; then
    status=1
    echo "---- $target failed; last lines of its log:"
    tail -40 "$work/$target.log"
    ls "$findings" | sed "s|^|finding: $findings/|"
  fi
}

for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  batch=("${targets[@]:i:2}")
  for target in "${batch[@]}"; do
    run_target "$target" &
    pids+=($!)
  done
  for j in "${!batch[@]}"; do
    wait "${pids[$j]}"
    report "${batch[$j]}" $?
  done
done
exit $status
