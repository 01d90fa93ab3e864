#!/usr/bin/env bash
# Runs the walkthrough of the README's "Inspecting snapshots" section in a
# scratch directory laid out as the quick start leaves it (build/ with the
# programs and build/stripes.zvk, examples/) and checks that each command
# shown after "$ " prints exactly the lines shown below it (standard output
# and standard error together, as a terminal shows them). A ```sh block is
# run as it stands, to make what the later commands look at.
# Usage: readme_inspection_test.sh README EXAMPLES_DIR QUILLET QUILLET_INFO
set -u
source "$(dirname "$0")/readme_walkthrough.sh"
readme=$(realpath "$1") examples=$(realpath "$2") quillet=$(realpath "$3") quillet_info=$(realpath "$4")
failures=0
commands=0

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir build
ln -s "$examples" examples
ln -s "$quillet" build/quillet
ln -s "$quillet_info" build/quillet-info
build/quillet -o build/stripes.zvk -pack -mem 0 examples/stripes.bin -reg PC 0 >/dev/null || exit 1

section=$(sed -n '/^## Inspecting snapshots$/,/^## /p' "$readme")
[[ -n $section ]] || { echo "FAIL: no section \"Inspecting snapshots\" in $readme"; exit 1; }

run_walkthrough "$section"

((commands > 0)) || { echo "FAIL: no command found in the section"; exit 1; }
if ((failures > 0)); then
    echo "$failures of $commands README command(s) print something else"
    exit 1
fi
echo "all $commands README commands print what the README shows"
