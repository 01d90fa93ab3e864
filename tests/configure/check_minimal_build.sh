#!/usr/bin/env bash
# Configures and builds the project as on a machine that has only a C++
# compiler, CMake and Ninja: GoogleTest and Google Benchmark are kept from
# find_package, the stb header's directory is ignored, and groff and make
# are hidden from the PATH. Checks that the
# configure step succeeds with one line naming what it left out, that the
# programs build and turn the example program into a snapshot, that the
# tests it did register pass, and that asking for a part whose tool is
# missing (-DQUILLET_TESTS=ON, -DQUILLET_BENCH=ON) stops the configure step
# with a message naming the tool.
# Usage: check_minimal_build.sh SCRATCH_DIR   (the directory is emptied)
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(realpath -m "$1")
rm -rf "$scratch" && mkdir -p "$scratch/bin" || exit 1
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A PATH with every program of the current one except the hidden tools.
hidden='^(groff|make|gmake)$'
IFS=: read -ra path_dirs <<<"$PATH"
for dir in "${path_dirs[@]}"; do
    for program in "$dir"/*; do
        name=${program##*/}
        [[ -x $program && ! -d $program && ! -e $scratch/bin/$name ]] || continue
        [[ $name =~ $hidden ]] || ln -s "$program" "$scratch/bin/$name"
    done
done
minimal_path=$scratch/bin
for tool in groff make; do
    PATH=$minimal_path command -v "$tool" >/dev/null && fail "$tool is still on the minimal PATH"
done
# The stb header is found by its directory, which is ignored.
stb_header=$(find /usr/include /usr/local/include -name stb_image_write.h 2>/dev/null | head -n1)
without_packages=(-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
    "-DCMAKE_IGNORE_PATH=${stb_header%/*}")

# A Debug build: what is checked here is that the build needs nothing more,
# which the optimiser does not change, and the check takes 78 s instead of
# 100 s on two quiet cores.
build=$scratch/build
configure_log=$scratch/configure.log
if ! PATH=$minimal_path cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${without_packages[@]}" \
    >"$configure_log" 2>&1; then
    cat "$configure_log"
    fail "the configure step failed without GoogleTest, Google Benchmark, groff and make"
    exit 1
fi

# One line says what was left out and which packages bring it.
left_out=$(grep 'Left out' "$configure_log")
[[ $(grep -c 'Left out' "$configure_log") -eq 1 ]] || fail "expected one 'Left out' line, got:"$'\n'"$left_out"
for word in 'tests (no GoogleTest)' 'benchmark (no Google Benchmark)' 'PNG pictures of quillet-info --screen (no stb)' \
    'manual page checks (no groff)' 'Makefile recipe check (no make)' \
    'sudo apt-get install libgtest-dev libbenchmark-dev libstb-dev groff-base make'; do
    [[ $left_out == *"$word"* ]] || fail "the 'Left out' line lacks '$word': $left_out"
done

# The README shows this very line, as a minimal machine prints it.
grep -Fxq -- "$left_out" "$source_dir/README.md" || fail "README.md does not show the 'Left out' line: $left_out"

if ! PATH=$minimal_path cmake --build "$build" -j2 >"$scratch/build.log" 2>&1; then
    tail -40 "$scratch/build.log"
    fail "the build failed"
    exit 1
fi

# The quick start's first command, from the source directory, but for the
# picture, which needs stb.
(cd "$source_dir" &&
    "$build/quillet" -o "$scratch/stripes.zvk" -pack -mem 0 examples/stripes.bin -reg PC 0 >/dev/null &&
    "$build/quillet-info" "$scratch/stripes.zvk" >"$scratch/summary.txt" &&
    "$build/quillet-run" --until 0x0011 "$scratch/stripes.zvk" >"$scratch/run.txt") ||
    fail "the programs of the minimal build could not build, show and run the example snapshot"
grep -Eq '^  block 00 .* present, run form' "$scratch/summary.txt" ||
    fail "the example snapshot has no packed block 0:"$'\n'"$(cat "$scratch/summary.txt")"
grep -q '^Stopped: *address 0x0011$' "$scratch/run.txt" ||
    fail "the example's run did not reach 0x0011:"$'\n'"$(cat "$scratch/run.txt")"

# The tests that need nothing more are registered and pass; those that need
# a hidden tool are not there.
tests=$(cd "$build" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p')
grep -q '^fuzz_replay_' <<<"$tests" || fail "no fuzz replay tests registered"
for test in bash_completion readme; do
    grep -qx "$test" <<<"$tests" || fail "the $test test is not registered"
done
# (GoogleTest's test names are Suite.Case, with a dot.)
grep -Eq '^(man_pages|makefile_recipe)$|\.' <<<"$tests" &&
    fail "tests that need a hidden tool are registered:"$'\n'"$tests"
(cd "$build" && PATH=$minimal_path ctest --output-on-failure >"$scratch/ctest.log" 2>&1) ||
    fail "ctest failed in the minimal build:"$'\n'"$(tail -30 "$scratch/ctest.log")"

# Asking for a part whose tool is missing stops the configure step.
while read -r option tool; do  # tool: the rest of the line
    log=$scratch/configure-$option.log
    if PATH=$minimal_path cmake -S "$source_dir" -B "$scratch/build-$option" -G Ninja "${without_packages[@]}" \
        "-D$option=ON" >"$log" 2>&1; then
        fail "-D$option=ON configured without $tool"
    else
        grep -q "$option is ON, but $tool was not found" "$log" ||
            fail "-D$option=ON without $tool: no clear message:"$'\n'"$(cat "$log")"
    fi
done <<'TABLE'
QUILLET_TESTS GoogleTest
QUILLET_BENCH Google Benchmark
TABLE

if ((failures > 0)); then
    echo "$failures minimal build check(s) failed"
    exit 1
fi
echo "minimal build checks passed"
