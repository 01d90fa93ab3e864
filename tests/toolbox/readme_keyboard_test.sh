#!/usr/bin/env bash
# Runs the README's "Typing and reading the screen" (in "Testing your
# program") with the real PMD 85-2A monitor and BASIC module beside it, as
# quillet and quillet-run on the PATH: each command shown after "$ " must
# print exactly the lines shown below it. Skipped (77) without the images.
# Usage: readme_keyboard_test.sh README QUILLET QUILLET_RUN FIRMWARE_DIR
# (the environment's QUILLET_FIRMWARE, when set, wins over FIRMWARE_DIR)
set -u
source "$(dirname "$0")/readme_walkthrough.sh"
readme=$(realpath "$1") quillet=$(realpath "$2") quillet_run=$(realpath "$3") roms=$(cd "${QUILLET_FIRMWARE:-$4}" 2>/dev/null && pwd)
for image in monit2A.rom basic2A.rmm; do
    if [[ ! -f $roms/$image ]]; then
        echo "SKIP: no PMD 85 firmware (set QUILLET_FIRMWARE to its folder): the firmware tests are skipped"
        exit 77
    fi
done
failures=0
commands=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir bin
ln -s "$quillet" bin/quillet
ln -s "$quillet_run" bin/quillet-run
export PATH=$scratch/bin:$PATH
cp "$roms/monit2A.rom" "$roms/basic2A.rmm" .

section=$(sed -n '/^### Typing and reading the screen$/,/^##/{/^### Typing/b;/^##/q;p}' "$readme")
[[ -n $section ]] || { echo "FAIL: no section \"Typing and reading the screen\" in $readme"; exit 1; }
run_walkthrough "$section"
((commands >= 4)) || { echo "FAIL: $commands commands found in the section, not 4"; exit 1; }
if ((failures > 0)); then
    echo "$failures README keyboard check(s) failed"
    exit 1
fi
echo "the README's keyboard and screen-text commands print what it shows"
