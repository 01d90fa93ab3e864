#!/usr/bin/env bash
# Runs the README's tape Makefile (the ```makefile block of "## Tapes") with
# examples/stripes.bin standing in for the assembler's output, and checks
# what it makes: the tape lists as the README shows it, the sound reads
# back as the same file, the snapshot runs the program in quillet-run, and
# the data extracted from the sound is the binary byte for byte.
# With the PMD 85-2 monitor in ROMS_DIR, the monitor loads the tape inside
# quillet-run as the section shows.
# Usage: readme_tape_test.sh README EXAMPLES_DIR QUILLET_TAPE QUILLET_RUN MAKE [QUILLET ROMS_DIR]
# (the environment's QUILLET_FIRMWARE, when set, wins over ROMS_DIR)
set -u
readme=$1 examples=$(realpath "$2") quillet_tape=$(realpath "$3") quillet_run=$(realpath "$4") make=$5
quillet=${6:+$(realpath "$6")} firmware=${QUILLET_FIRMWARE:-${7:-}}
roms=${firmware:+$(cd "$firmware" 2>/dev/null && pwd)}
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

# The monitor's MGLD in quillet-run, as the section's commands stand.
if [[ -n $quillet && -f $roms/monit2.rom ]]; then
    cp "$roms/monit2.rom" .
    commands=$(sed -n '/^```tape-run$/,/^```$/p' <<<"$section" | sed '1d;$d')
    [[ -n $commands ]] || fail "no tape-run block in the Tapes section"
    while IFS= read -r line; do
        line=${line/#quillet-run /\"$quillet_run\" }
        line=${line/#quillet /\"$quillet\" }
        eval "$line" >run.log 2>&1 || fail "the README's command failed: $line"$'\n'"$(cat run.log)"
    done <<<"$commands"
    grep -q '^Tape:              2 of 2 blocks played, none rejected$' run.log ||
        fail "the run's report does not count the tape's blocks: $(cat run.log)"
else
    echo "no PMD 85 firmware (set QUILLET_FIRMWARE to its folder): the firmware tests are skipped"
fi

if ((failures > 0)); then
    echo "$failures README tape check(s) failed"
    exit 1
fi
echo "the README's tape Makefile and commands do what it says"
