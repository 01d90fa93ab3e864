#!/usr/bin/env bash
# Runs the walkthrough of the README's "Testing your program" section: its
# Makefile (the ```makefile block) and examples/checks.bin in a scratch
# directory, with quillet, quillet-run and make on the PATH as the programs
# given here, and checks that each command shown after "$ " prints exactly
# the lines shown below it (standard output and standard error together).
# Then make test must succeed and draw the picture, and a program broken
# where each later check looks must make it fail there. Skipped (77) when
# there is no make.
# Usage: readme_testing_test.sh README EXAMPLES_DIR QUILLET QUILLET_RUN MAKE
set -u
source "$(dirname "$0")/readme_walkthrough.sh"
readme=$(realpath "$1") examples=$(realpath "$2") quillet=$(realpath "$3") quillet_run=$(realpath "$4") make=$5
if [[ ! -x $make ]]; then
    echo "SKIP: no make (install make to run the README's Makefile)"
    exit 77
fi
failures=0
commands=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
# Programs under the names the Makefile and the shown output use, ahead of
# anything installed; make's messages name it "make" whatever it is called.
mkdir bin
ln -s "$quillet" bin/quillet
ln -s "$quillet_run" bin/quillet-run
ln -s "$(realpath "$make")" bin/make
export PATH=$scratch/bin:$PATH
# A make that runs this test (ctest under make) must not leak its flags
# into the Makefile's runs ("Entering directory", job servers).
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES GNUMAKEFLAGS
cp "$examples/checks.bin" .

section=$(sed -n '/^## Testing your program$/,/^## /p' "$readme")
[[ -n $section ]] || { echo "FAIL: no section \"Testing your program\" in $readme"; exit 1; }
sed -n '/^```makefile$/,/^```$/p' <<<"$section" | sed '1d;$d' >Makefile
[[ -s Makefile ]] || { echo "FAIL: no makefile block in the section"; exit 1; }

run_walkthrough "$section"
((commands > 0)) || fail "no command found in the section"

# make test passes and leaves the picture, the screen at twice its size.
make test >make.log 2>&1 || fail "make test failed:"$'\n'"$(cat make.log)"
[[ $(od -An -tx1 -N8 checks.png 2>/dev/null | tr -d ' \n') == 89504e470d0a1a0a ]] ||
    fail "make test wrote no PNG picture"
[[ $(od -An -tu1 -j16 -N8 checks.png 2>/dev/null | tr -s ' ' | sed 's/^ //') == "0 0 2 64 0 0 2 0" ]] ||
    fail "checks.png is not 576 by 512 pixels"

# A program broken where a later line checks: make test stops at that line
# with what it found; the README shows the first line's failure itself.
while IFS='|' read -r overrides found; do
    rm -f checks.png
    status=0
    eval "make test $overrides" >make.log 2>&1 || status=$?
    ((status != 0)) || fail "make test $overrides succeeded"
    grep -qF -- "$found" make.log || fail "make test $overrides does not say '$found':"$'\n'"$(cat make.log)"
    [[ ! -e checks.png ]] || fail "make test $overrides went on after the failing line"
done <<'TABLE'
QUILLET_RUN='quillet-run --poke 0x0018=3e'|  FAILED memory 0xC000: expected 003f003f, found 003e003e
DONE=0x0100 QUILLET_RUN='quillet-run --max-instructions 100000'|Stopped:           instruction limit 100000 at
TABLE

if ((failures > 0)); then
    echo "$failures README testing check(s) failed"
    exit 1
fi
echo "the README's Makefile tests the example as shown, and fails for a broken program"
