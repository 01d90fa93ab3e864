#!/usr/bin/env bash
# Runs the walkthrough of the README's "Inspecting snapshots" section in a
# scratch directory laid out as the quick start leaves it (build/ with the
# programs and build/stripes.zvk, examples/) and checks that each command
# shown after "$ " prints exactly the lines shown below it (standard output
# and standard error together, as a terminal shows them). A ```sh block is
# run as it stands, to make what the later commands look at.
# Usage: readme_inspection_test.sh README EXAMPLES_DIR QUILLET QUILLET_INFO
set -u
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

# Compares the output of the pending command with the lines shown for it
# (trailing empty lines aside, which both lose the same way).
check() {
    [[ -n $command ]] || return 0
    local got want
    got=$(bash -c "$command" 2>&1)
    want=$(printf '%s\n' "$shown")
    commands=$((commands + 1))
    if [[ $got != "$want" ]]; then
        echo "FAIL: \$ $command"
        diff <(echo "$want") <(echo "$got")
        failures=$((failures + 1))
    fi
    command="" shown=""
}

fence="" command="" shown="" script=""
while IFS= read -r line; do
    if [[ -z $fence && $line == '```'* ]]; then
        fence=${line#'```'}
        [[ -n $fence ]] || fence=plain
        continue
    fi
    if [[ -n $fence && $line == '```' ]]; then
        if [[ $fence == sh ]]; then
            bash -c "$script" >/dev/null || { echo "FAIL: the sh block did not run:"$'\n'"$script"; failures=$((failures + 1)); }
        else
            check
        fi
        fence="" script=""
        continue
    fi
    case $fence in
        sh) script+=$line$'\n' ;;
        plain)
            if [[ $line == '$ '* ]]; then
                check
                command=${line#'$ '}
            else
                shown+=${shown:+$'\n'}$line
            fi
            ;;
    esac
done <<<"$section"

((commands > 0)) || { echo "FAIL: no command found in the section"; exit 1; }
if ((failures > 0)); then
    echo "$failures of $commands README command(s) print something else"
    exit 1
fi
echo "all $commands README commands print what the README shows"
