#!/usr/bin/env bash
# Builds quillet with gcov coverage counters in its own directory, runs the
# whole test suite (unit, end-to-end, seam, reliability, fuzz replays) and
# prints the line and branch coverage of src/ and programs/. Installs gcovr
# from Debian's packages when it is missing.
#
#   scripts/coverage.sh [BUILD_DIR]     (default: build-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath -m "${1:-build-coverage}")"

if ! command -v gcovr >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends gcovr
fi

cmake -S . -B "$build" -G Ninja -DQUILLET_COVERAGE=ON -DQUILLET_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build"
find "$build" -name '*.gcda' -delete
# Tests that run quillet under a file-size limit would truncate the shared
# counter files when the child writes them at exit, so they run on their
# own with their counters sent elsewhere (GCOV_PREFIX), and libgcov's
# complaints go to a file instead of the child's standard error, which the
# tests compare.
size_limited='OutputSafetyTest\.FailedWrite'
export GCOV_ERROR_FILE="$build/gcov-errors.log"
status=0
ctest --test-dir "$build" -j2 --output-on-failure -E "$size_limited" || status=1
GCOV_PREFIX="$build/size-limited-counters" \
  ctest --test-dir "$build" --output-on-failure -R "$size_limited" || status=1

# Branches that only exceptions could take (the library throws none) are
# left out of the branch count.
gcovr --root . --filter 'src/' --filter 'programs/' --exclude-throw-branches --object-directory "$build" \
  --print-summary --txt "$build/coverage.txt"
sed -n '/^File/,$p' "$build/coverage.txt"
exit $status
