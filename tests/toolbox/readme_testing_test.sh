#!/usr/bin/env bash
# Runs the walkthrough of the README's "Testing your program" section: its
# Makefile (the ```makefile block) and its list of cases (the ```text block)
# with examples/checks.asm in a scratch directory, with quillet,
# quillet-run, quillet-info, asm80 and make on the PATH as the programs
# given here, and checks that each command shown after "$ " prints exactly
# the lines shown below it (standard output and standard error together).
# Then make test must pass again after an instruction is inserted before
# vaddr (the labels follow it), a program broken where each later check
# looks must make it fail there, and make prove must pass where prove is.
# Skipped (77) with one message when asm80 (need_asm80.sh), objcopy or make
# is missing.
# Usage: readme_testing_test.sh README EXAMPLES_DIR QUILLET QUILLET_RUN QUILLET_INFO MAKE ASM80 BUILD_DIR
set -u
source "$(dirname "$0")/readme_walkthrough.sh"
source "$(dirname "$0")/need_asm80.sh"
readme=$(realpath "$1") examples=$(realpath "$2") quillet=$(realpath "$3") quillet_run=$(realpath "$4")
quillet_info=$(realpath "$5") make=$6
need_asm80 "${7:-}" "$8"
command -v objcopy >/dev/null || { echo "SKIP: objcopy not found (sudo apt-get install binutils)"; exit 77; }
# MAKE is what the configure step found: a path, empty or ...-NOTFOUND.
if [[ -z $make || $make == *-NOTFOUND || ! -x $make ]]; then
    echo "SKIP: make not found (sudo apt-get install make)"
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
ln -s "$quillet_info" bin/quillet-info
ln -s "$asm80" bin/asm80
ln -s "$(realpath "$make")" bin/make
export PATH=$scratch/bin:$PATH
# A make that runs this test (ctest under make) must not leak its flags
# into the Makefile's runs ("Entering directory", job servers).
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES GNUMAKEFLAGS
cp "$examples/checks.asm" .

section=$(sed -n '/^## Testing your program$/,/^## /p' "$readme" | sed '/^### Typing and reading the screen$/,$d')
[[ -n $section ]] || { echo "FAIL: no section \"Testing your program\" in $readme"; exit 1; }
sed -n '/^```makefile$/,/^```$/p' <<<"$section" | sed '1d;$d' >Makefile
[[ -s Makefile ]] || { echo "FAIL: no makefile block in the section"; exit 1; }
sed -n '/^```text$/,/^```$/p' <<<"$section" | sed '1d;$d' >checks.tests
[[ -s checks.tests ]] || { echo "FAIL: no text block (the list of cases) in the section"; exit 1; }

run_walkthrough "$section"
((commands > 0)) || fail "no command found in the section"

# What asm80 made is the example's hand-assembled program.
cmp -s checks.bin "$examples/checks.bin" || fail "asm80 did not make examples/checks.bin from checks.asm"
make test >make.log 2>&1 || fail "make test failed:"$'\n'"$(cat make.log)"
grep -qx '94 % of code bytes executed; never run: DONE' make.log || fail "make test gave no coverage summary"

# A routine that moves is still found by its label: one NOP before vaddr.
sed -i 's/^vaddr:/        NOP\nvaddr:/' checks.asm
make test >make.log 2>&1 || fail "make test failed after vaddr moved:"$'\n'"$(cat make.log)"
grep -q '^VADDR: *0026 ' checks.lst || fail "vaddr did not move to 0x0026"
cp "$examples/checks.asm" . && make checks.zvk >/dev/null 2>&1

# A program broken where a later line checks: make test stops at that line
# with what it found, and the coverage line does not come.
while IFS='|' read -r overrides found; do
    status=0
    eval "make test $overrides" >make.log 2>&1 || status=$?
    ((status != 0)) || fail "make test $overrides succeeded"
    grep -qF -- "$found" make.log || fail "make test $overrides does not say '$found':"$'\n'"$(cat make.log)"
    ! grep -q 'code bytes executed' make.log || fail "make test $overrides went on after the failing line"
done <<'TABLE'
QUILLET_RUN='quillet-run --poke 0x0030=c1'|  FAILED HL: expected 0xC283, found 0xC383
QUILLET_RUN='quillet-run --poke 0x0018=3e'|  FAILED memory 0xC000: expected 003f003f, found 003e003e
QUILLET_RUN='quillet-run --poke 0x0015=2f'|  FAILED screen: expected checks-ref.png, found 768 pixels differ, the first at x 282 y 0 (0xC02F bit 0)
QUILLET_RUN='quillet-run --max-instructions 100000 --poke 0x001F=c31f00'|  FAILED expected to stop at DONE (0x0022), reached the instruction limit 100000 at BYTE+9 (0x001F)
TABLE

if command -v prove >/dev/null; then
    make prove >prove.log 2>&1 && grep -qx 'Result: PASS' prove.log || fail "make prove failed:"$'\n'"$(cat prove.log)"
else
    echo "prove not found: make prove not run"
fi

if ((failures > 0)); then
    echo "$failures README testing check(s) failed"
    exit 1
fi
echo "the README's Makefile assembles and tests the example as shown, follows a moved routine, and fails for a broken program"
