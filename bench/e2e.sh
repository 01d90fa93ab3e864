#!/usr/bin/env bash
# Whole-run cost of quillet next to cat.
#
# Builds a 16-page snapshot (-mm 0, sixteen -pg page files of mixed content,
# -pack) and, from the same sixteen files, lets cat write their
# concatenation (the unpacked size, which is never less than what quillet
# writes). Prints the median CPU time of both and their ratio (perf stat's
# task-clock where perf can count; otherwise the wall time, with hyperfine
# when installed or a timed loop), their page faults, and the peak resident
# memory of both (/usr/bin/time -v).
#
# Usage: bench/e2e.sh [build-dir | quillet-executable]
#   build-dir (or QUILLET_BUILD_DIR): a configured build, where quillet is
#   brought up to date first; an executable file is timed as it is; without
#   either, a Release build is made in build-e2e.
# Environment: RUNS (default 200) timed runs per command, ROUNDS (default
# 5) turns they are split into; TMPDIR where the files go (default
# /dev/shm when it exists).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${QUILLET_BUILD_DIR:-}}"
runs="${RUNS:-200}"

if [ -z "$build" ]; then
  build="$root/build-e2e"
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF >/dev/null
fi
if [ -f "$build" ] && [ -x "$build" ]; then
  quillet="$(cd "$(dirname "$build")" && pwd)/$(basename "$build")"
else
  cmake --build "$build" --target quillet >/dev/null
  quillet="$(cd "$build" && pwd)/quillet"
fi

# A memory file system when there is one: on a disk file system both
# commands mostly wait for the write-back of the file they replace.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "work directory: $work ($(stat -f -c %T "$work"))"

# Sixteen pages of 16384 bytes, eight kinds of content, made by awk with
# fixed seeds so that every run sees the same bytes.
make_page() {
  LC_ALL=C awk -v kind="$1" -v seed="$2" 'BEGIN {
    srand(seed); size = 16384
    for (i = 0; i < size; ) {
      if (kind == 0) { v = 0; n = size }                                  # one value
      else if (kind == 1) { v = int(rand() * 256); n = 1 }                # noise
      else if (kind == 2) { s = int(i / 512); v = s % 2 ? int(rand() * 256) : s; n = 1 }  # half runs
      else if (kind == 3) { v = rand() < 0.0625 ? int(rand() * 256) : 229; n = 1 }       # mostly 0xE5
      else if (kind == 4) { v = int(rand() * 256); n = 3 + int(rand() * 6) }             # short runs
      else if (kind == 5) { v = 32 + (i * 7 + int(i / 61)) % 95; n = 1 }                 # text-like
      else if (kind == 6) { v = i % 256; n = 1 }                                         # ramp
      else { v = rand() < 0.02 ? int(rand() * 256) : 0; n = 1 }                          # sparse
      for (k = 0; k < n && i < size; k++) { printf "%c", v; i++ }
    }
  }'
}

pages=()
arguments=(-mm 0)
for page in $(seq 0 15); do
  make_page $((page % 8)) $((page + 1)) > "page$page.bin"
  pages+=("page$page.bin")
  arguments+=(-pg "$page" "page$page.bin")
done
arguments+=(-pack -o snapshot.zvk)

"$quillet" "${arguments[@]}" >/dev/null
cat "${pages[@]}" > concatenated.bin
echo "quillet: ${#pages[@]} pages -> $(wc -c < snapshot.zvk) bytes; cat: $(wc -c < concatenated.bin) bytes"

# Median wall time in seconds of `count` runs of "$@" with the output to
# $output. The clock is bash's own (no process per reading) when it has one.
median_of_loop() {
  local count="$1" output="$2"; shift 2
  local start end
  for _ in $(seq 1 "$count"); do
    if [ -n "${EPOCHREALTIME:-}" ]; then
      start=${EPOCHREALTIME//[.,]/}
      "$@" > "$output"
      end=${EPOCHREALTIME//[.,]/}
    else
      start=$(($(date +%s%N) / 1000))
      "$@" > "$output"
      end=$(($(date +%s%N) / 1000))
    fi
    echo $((end - start))
  done | median | awk '{ printf "%.6f\n", $1 / 1e6 }'
}

median_of_hyperfine() {
  local count="$1" output="$2"; shift 2
  hyperfine -N --warmup 5 --runs "$count" --output="$output" --export-csv timing.csv "$*" >/dev/null 2>&1
  awk -F, 'NR == 2 { printf "%.6f\n", $4 }' timing.csv
}

# Mean CPU time in seconds (task-clock) of `count` runs, as perf stat counts
# it; the page faults of the runs go to page-faults.txt.
median_of_perf() {
  local count="$1" output="$2"; shift 2
  perf stat -x, -e task-clock,page-faults -r "$count" -o perf.csv -- "$@" > "$output"
  awk -F, '$3 ~ /^page-faults/ { print $1 > "page-faults.txt" }
           $3 ~ /^task-clock/ { printf "%.6f\n", $1 / 1000 }' perf.csv
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

if command -v perf >/dev/null && perf stat -e task-clock -o /dev/null true 2>/dev/null; then
  timer=median_of_perf
  timer_name="perf stat task-clock (CPU time)"
elif command -v hyperfine >/dev/null; then
  timer=median_of_hyperfine
  timer_name=hyperfine
else
  timer=median_of_loop
  timer_name="shell loop (hyperfine not installed)"
fi
# The two commands take turns, a share of the runs each round, so that a
# change in the load of the machine hits both alike; the figures are the
# medians over the rounds.
rounds="${ROUNDS:-5}"
per_round=$(((runs + rounds - 1) / rounds))
echo "timing: $timer_name, $rounds rounds of $per_round runs each"
quillet_times=()
cat_times=()
ratios=()
quillet_faults=()
cat_faults=()
for _ in $(seq 1 "$rounds"); do
  quillet_round=$($timer "$per_round" /dev/null "$quillet" "${arguments[@]}")
  [ -f page-faults.txt ] && quillet_faults+=("$(cat page-faults.txt)")
  cat_round=$($timer "$per_round" ./cat-output.bin cat "${pages[@]}")
  [ -f page-faults.txt ] && cat_faults+=("$(cat page-faults.txt)")
  quillet_times+=("$quillet_round")
  cat_times+=("$cat_round")
  ratios+=("$(awk -v q="$quillet_round" -v c="$cat_round" 'BEGIN { print q / c }')")
done
quillet_time=$(printf '%s\n' "${quillet_times[@]}" | median)
cat_time=$(printf '%s\n' "${cat_times[@]}" | median)
ratio=$(printf '%s\n' "${ratios[@]}" | median)

# Median peak resident set size in KB over five runs.
peak_memory() {
  local output="$1"; shift
  for _ in 1 2 3 4 5; do
    /usr/bin/time -v "$@" 2>&1 > "$output" | awk -F': ' '/Maximum resident set size/ { print $2 }'
  done | sort -n | sed -n 3p
}

if [ -x /usr/bin/time ]; then
  quillet_memory=$(peak_memory /dev/null "$quillet" "${arguments[@]}")
  cat_memory=$(peak_memory cat-output.bin cat "${pages[@]}")
else
  quillet_memory=0
  cat_memory=0
  echo "peak memory: /usr/bin/time not installed (Debian package time)"
fi

if [ ${#quillet_faults[@]} -gt 0 ]; then
  echo "page faults: quillet $(printf '%s\n' "${quillet_faults[@]}" | median), cat $(printf '%s\n' "${cat_faults[@]}" | median)"
fi
if [ "$timer" = median_of_perf ]; then what="CPU time:   "; else what="wall time:  "; fi
awk -v what="$what" -v qt="$quillet_time" -v ct="$cat_time" -v r="$ratio" -v qm="$quillet_memory" -v cm="$cat_memory" 'BEGIN {
  printf "%s quillet %.3f ms, cat %.3f ms, ratio %.2f (target <= 1.2)\n", what, qt * 1000, ct * 1000, r
  if (cm > 0) printf "peak memory: quillet %d KB, cat %d KB, ratio %.2f (target <= 1.5)\n", qm, cm, qm / cm
}'
