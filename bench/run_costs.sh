#!/usr/bin/env bash
# What --until-text and --coverage cost over a plain run of the same
# states: the user time of quillet-run three ways, in alternating rounds
# (the least and the median of each).
#
# Two programs: monitor 2A booted and left at its prompt (the wait for a
# text that never comes), and a loop at 4000h that reads, increments and
# writes every byte of the video memory in turn (each write one the text's
# wait must note, each instruction one that coverage counts).
#
# Usage: bench/run_costs.sh BUILD-DIR FIRMWARE-DIR
#   BUILD-DIR holds quillet and quillet-run (a Release build);
#   FIRMWARE-DIR holds monit2A.rom.
# Environment: STATES (default 400000000) per run, ROUNDS (default 5).
set -euo pipefail

build="$1"
firmware="$2"
states="${STATES:-400000000}"
rounds="${ROUNDS:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$build/quillet" -cm V2A -o "$work/idle.zvk" -hex 0 00 >/dev/null
# 4000h: LXI H,C000h; MOV A,M; INR A; MOV M,A; INX H; MOV A,H; ORI C0h; MOV H,A; JMP 4003h
"$build/quillet" -cm V2A -o "$work/video.zvk" -hex 0x4000 2100C07E3C77237EF6C067C30340 -reg SP 0x7000 \
  -reg PC 0x4000 >/dev/null

# The user time of one run, in seconds.
user_time() {
  /usr/bin/time -f %U -o "$work/time" "$build/quillet-run" --monitor "$firmware/monit2A.rom" \
    --max-states "$states" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time"
}

# "least / median" of the times on standard input: on a shared machine the
# least is the one the load disturbed least.
least_median() { sort -n | awk '{ v[NR] = $1 } END { print v[1] " / " v[int((NR + 1) / 2)] }'; }

for program in idle video; do
  boot=()
  [ "$program" = idle ] && boot=(--boot)
  : >"$work/plain"; : >"$work/text"; : >"$work/coverage"
  for _ in $(seq "$rounds"); do
    user_time "${boot[@]}" "$work/$program.zvk" >>"$work/plain"
    user_time "${boot[@]}" --until-text "NEVER SHOWN" "$work/$program.zvk" >>"$work/text"
    rm -f "$work/cov.txt"
    user_time "${boot[@]}" --coverage "$work/cov.txt" "$work/$program.zvk" >>"$work/coverage"
  done
  plain="$(least_median <"$work/plain")"
  text="$(least_median <"$work/text")"
  coverage="$(least_median <"$work/coverage")"
  echo "$program (least / median): plain ${plain} s, --until-text ${text} s, --coverage ${coverage} s" \
    "(all: $(tr '\n' ' ' <"$work/plain")/ $(tr '\n' ' ' <"$work/text")/ $(tr '\n' ' ' <"$work/coverage"))"
done
