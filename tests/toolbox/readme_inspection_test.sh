#!/usr/bin/env bash
# Runs the README's first quick start command, its programs' part (what
# follows the build), in a scratch directory laid out as a fresh clone
# with the programs built (build/ with the programs, examples/): it must
# leave the snapshot, show it, and draw the stripes into build/stripes.png.
# Then runs the walkthrough of the "Inspecting snapshots" section there and
# checks that each command shown after "$ " prints exactly the lines shown
# below it (standard output and standard error together, as a terminal
# shows them). A ```sh block is run as it stands, to make what the later
# commands look at.
# Usage: readme_inspection_test.sh README EXAMPLES_DIR QUILLET QUILLET_INFO QUILLET_RUN
set -u
source "$(dirname "$0")/readme_walkthrough.sh"
readme=$(realpath "$1") examples=$(realpath "$2") quillet=$(realpath "$3") quillet_info=$(realpath "$4")
quillet_run=$(realpath "$5")
failures=0
commands=0

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir build
ln -s "$examples" examples
ln -s "$quillet" build/quillet
ln -s "$quillet_info" build/quillet-info
ln -s "$quillet_run" build/quillet-run

quick_start=$(sed -n '/^## Quick start/,/^## /p' "$readme" | grep -m1 '^cmake ')
programs_part=${quick_start#*&& cmake --build build --target * && }
[[ $programs_part == build/quillet\ * ]] || { echo "FAIL: no programs after the build in: $quick_start"; exit 1; }
bash -c "$programs_part" >quick-start.log 2>&1 ||
    { echo "FAIL: the quick start's programs failed: $programs_part"; cat quick-start.log; exit 1; }
grep -Eq '^  block 00 .* present, run form' quick-start.log ||
    { echo "FAIL: the quick start shows no packed block 0:"; cat quick-start.log; exit 1; }
grep -q '^Stopped: *address 0x0011$' quick-start.log ||
    { echo "FAIL: the quick start's run did not reach 0x0011:"; cat quick-start.log; exit 1; }
# 288 by 256 pixels, the screen of the stripes.
[[ $(od -An -tu1 -j16 -N8 build/stripes.png 2>/dev/null | tr -s ' ' | sed 's/^ //') == "0 0 1 32 0 0 1 0" ]] ||
    { echo "FAIL: the quick start wrote no 288 by 256 picture"; exit 1; }

section=$(sed -n '/^## Inspecting snapshots$/,/^## /p' "$readme")
[[ -n $section ]] || { echo "FAIL: no section \"Inspecting snapshots\" in $readme"; exit 1; }

run_walkthrough "$section"

((commands > 0)) || { echo "FAIL: no command found in the section"; exit 1; }
if ((failures > 0)); then
    echo "$failures of $commands README command(s) print something else"
    exit 1
fi
echo "all $commands README commands print what the README shows"
