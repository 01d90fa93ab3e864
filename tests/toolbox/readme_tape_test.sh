#!/usr/bin/env bash
# Runs the README's tape Makefile (the ```makefile block of "## Tapes") with
# examples/stripes.bin standing in for the assembler's output, and checks
# what it makes: the tape lists as the README shows it, the sound reads
# back as the same file, the snapshot runs the program in quillet-run, and
# the data extracted from the sound is the binary byte for byte.
# Usage: readme_tape_test.sh README EXAMPLES_DIR QUILLET_TAPE QUILLET_RUN MAKE
set -u
readme=$1 examples=$(realpath "$2") quillet_tape=$(realpath "$3") quillet_run=$(realpath "$4") make=$5
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

section=$(sed -n '/^## Tapes$/,/^## /p' "$readme")
sed -n '/^```makefile$/,/^```$/p' <<<"$section" | sed '1d;$d' >Makefile
[[ -s Makefile ]] || fail "no makefile block in the README's Tapes section"
cp "$examples/stripes.bin" stripes.bin
touch game.asm
"$make" -s QUILLET_TAPE="$quillet_tape" ASSEMBLE='cp stripes.bin $@' >make.log 2>&1 || fail "make failed: $(cat make.log)"
for made in game.ptp game.wav game.zvk; do
    [[ -s $made ]] || fail "make did not write $made"
done

# The listing the README shows is what the program prints.
shown=$(sed -n '/^For `examples\/stripes.bin` the listing is:$/,/^The number/p' <<<"$section" | sed -n '/^```$/,/^```$/p' | sed '1d;$d')
[[ -n $shown ]] || fail "no listing shown in the Tapes section"
printed=$("$quillet_tape" game.ptp)
[[ $shown == "$printed" ]] || fail "the listing in the README differs:"$'\n'"$(diff <(echo "$shown") <(echo "$printed"))"
from_sound=$("$quillet_tape" game.wav)
[[ ${from_sound#*$'\n'} == "${printed#*$'\n'}" ]] || fail "the sound lists otherwise:"$'\n'"$from_sound"
"$quillet_tape" -x parts game.wav || fail "-x of the sound failed"
cmp -s parts/01-GAME.bin stripes.bin || fail "the data read back from the sound is not the binary"
# stripes.bin fills the video memory, then waits forever in its loop at 0x0011.
"$quillet_run" game.zvk --until 0x0011 --expect-mem 0xC005=05 >run.log 2>&1 ||
    fail "quillet-run did not run the tape's snapshot: $(cat run.log)"

# The commands shown run as they stand, with the binary made above.
cp stripes.bin game.bin
while IFS= read -r line; do
    command=${line%%#*}
    # shellcheck disable=SC2086
    eval "\"$quillet_tape\" ${command#quillet-tape }" >/dev/null || fail "the README's command failed: $line"
done < <(sed -n '/^```sh$/,/^```$/p' <<<"$section" | grep '^quillet-tape ')

if ((failures > 0)); then
    echo "$failures README tape check(s) failed"
    exit 1
fi
echo "the README's tape Makefile and commands do what it says"
