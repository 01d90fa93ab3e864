#!/usr/bin/env bash
# quillet-run streams --trace to its file as the run goes: a trace far
# larger than the memory the process may have (ulimit -v) is written whole,
# line for line. A trace held in memory would end in an allocation failure.
# Usage: trace_memory_test.sh QUILLET QUILLET_RUN
set -u
quillet=$1 quillet_run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lines=600000         # about 72 MB of trace
limit_kb=$((48 * 1024))  # what the process may map

# Runs quillet-run with the arguments after WHAT and STATUS under the
# limit; fails the test unless it ends with STATUS.
run_limited() {
    local what=$1 expected=$2
    shift 2
    (ulimit -v "$limit_kb" && "$quillet_run" "$@" >"$work/report.txt" 2>"$work/errors.txt")
    local status=$?
    if [[ $status -ne $expected ]]; then
        echo "FAIL: $what status $status, not $expected, under ulimit -v $limit_kb:"
        cat "$work/errors.txt"
        exit 1
    fi
}

# JMP 0000H at 0000H, run from there.
"$quillet" -o "$work/loop.zvk" -hex 0 C30000 -reg PC 0 >/dev/null || exit 1
run_limited --trace 66 --bare --trace "$work/trace.txt" --trace-limit "$lines" --max-instructions "$lines" \
    "$work/loop.zvk"
size=$(stat -c %s "$work/trace.txt")
count=$(wc -l <"$work/trace.txt")
[[ $count -eq $lines ]] || { echo "FAIL: $count trace lines, not $lines"; exit 1; }
((size > limit_kb * 1024)) || { echo "FAIL: the trace ($size bytes) is not larger than the limit"; exit 1; }
[[ $(tail -n1 "$work/trace.txt") == "     5999990  0000  C3 00 00  JMP 0000H  "* ]] ||
    { echo "FAIL: the last line is $(tail -n1 "$work/trace.txt")"; exit 1; }
echo "a trace of $count lines ($size bytes) written under ulimit -v $limit_kb KB"

# The OUT writes of --out-log the same way: more than the process may hold
# in memory, listed whole in the report.
writes=3500000  # 16 bytes each held in memory: 56 MB
# OUT 10H; JMP 0000H at 0000H.
"$quillet" -o "$work/out.zvk" -hex 0 D310C30000 -reg PC 0 >/dev/null || exit 1
run_limited --out-log 66 --bare --out-log --max-instructions $((2 * writes)) "$work/out.zvk"
listed=$(grep -c '^  port 0x10 value ' "$work/report.txt")
[[ $listed -eq $writes ]] || { echo "FAIL: $listed writes listed, not $writes"; exit 1; }
grep -qx "OUT writes:        $writes" "$work/report.txt" || { echo "FAIL: the count of writes is not $writes"; exit 1; }
echo "and $listed OUT writes listed under the same limit"

# --audio the same way: 1.2 * 10^9 states of a speaker at about 1.7 kHz (a
# WAV of 52 MB, and 16 bytes of record for every change, were either held)
# written whole under the same limit.
# loop: MVI A,05H; OUT F7H; CALL wait; MVI A,04H; OUT F7H; CALL wait; JMP loop;
# NOP; wait: MVI B,40; DCR B; JNZ $-1; RET
"$quillet" -o "$work/beep.zvk" -hex 0x7000 3E05D3F7CD12703E04D3F7CD1270C3007000062805C21470C9 \
    -reg PC 0x7000 -reg SP 0x6F00 >/dev/null || exit 1
states=1200000000
run_limited --audio 0 --max-states $states --expect-stop limit --audio "$work/beep.wav" "$work/beep.zvk"
size=$(stat -c %s "$work/beep.wav")
expected=$((44 + 2 * (states * 44100 / 2048000)))
((size - expected <= 2 && expected - size <= 2)) || { echo "FAIL: a WAV of $size bytes, not about $expected"; exit 1; }
((size > limit_kb * 1024)) || { echo "FAIL: the WAV ($size bytes) is not larger than the limit"; exit 1; }
echo "and a WAV of $size bytes written under the same limit"
