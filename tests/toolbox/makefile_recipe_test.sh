#!/usr/bin/env bash
# Runs the README's Makefile recipe with make against the programs given by
# path (QUILLET, QUILLET_INFO), with commands named quillet and quillet-info
# on the PATH that only fail, and with an assembler that wants the output
# name first and one that wants it last. The snapshot must hold the
# assembled binary at address 0 and the ROM image; a second make must find
# it up to date; without ASSEMBLE make must stop before assembling. The ROM
# image is optional: given with ROM=, it is in the snapshot; without, the
# snapshot has none and make needs no ROM file.
# Usage: makefile_recipe_test.sh README EXAMPLES_DIR QUILLET QUILLET_INFO MAKE
set -u
readme=$1 examples=$(realpath "$2") quillet=$(realpath "$3") quillet_info=$(realpath "$4") make=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

sed -n '/^```make$/,/^```$/p' "$readme" | sed '1d;$d' >"$work/Makefile"
[[ -s $work/Makefile ]] || { echo "FAIL: no make block in $readme"; exit 1; }

# Stand-ins of installed programs that must not be used.
mkdir "$work/decoys"
for name in quillet quillet-info; do
    printf '#!/bin/sh\necho "installed %s used" >&2\nexit 99\n' "$name" >"$work/decoys/$name"
    chmod +x "$work/decoys/$name"
done
# Two "assemblers" that copy the source: one called as `-o OUTPUT SOURCE`,
# one as `SOURCE OUTPUT`. Each refuses any other order.
cat >"$work/output-first" <<'SCRIPT'
#!/bin/sh
[ "$#" -eq 3 ] && [ "$1" = -o ] && [ "$3" = game.asm ] || { echo "usage: output-first -o OUT SRC" >&2; exit 2; }
cp "$3" "$2"
SCRIPT
cat >"$work/output-last" <<'SCRIPT'
#!/bin/sh
[ "$#" -eq 2 ] && [ "$1" = game.asm ] || { echo "usage: output-last SRC OUT" >&2; exit 2; }
cp "$1" "$2"
SCRIPT
chmod +x "$work/output-first" "$work/output-last"

run_make() {
    (cd "$work" && PATH="$work/decoys:$PATH" "$make" QUILLET="$quillet" QUILLET_INFO="$quillet_info" "$@")
}

while IFS='|' read -r assembler command rom; do
    rm -f "$work"/game.* "$work/module.rom" "$work/memory.bin"
    cp "$examples/stripes.bin" "$work/game.asm"
    [[ -z $rom ]] || head -c 1024 "$quillet" >"$work/$rom"  # not all one byte, so not stored in fill form
    if ! run_make "ASSEMBLE=$command" "ROM=$rom" >"$work/make.log" 2>&1; then
        fail "make with the $assembler assembler failed:"$'\n'"$(cat "$work/make.log")"
        continue
    fi
    "$quillet_info" -m "$work/memory.bin" "$work/game.zvk" >"$work/summary.txt" ||
        fail "$assembler: quillet-info cannot read the snapshot make built"
    cmp -s -n "$(stat -c %s "$work/game.asm")" "$work/memory.bin" "$work/game.asm" ||
        fail "$assembler: the snapshot does not hold the assembled binary at address 0"
    if [[ -n $rom ]]; then
        grep -q '^ROM image: .* 1024 bytes unpacked' "$work/summary.txt" ||
            fail "$assembler: the snapshot holds no 1024-byte ROM image:"$'\n'"$(cat "$work/summary.txt")"
    else
        grep -q '^ROM image: *none' "$work/summary.txt" ||
            fail "$assembler: a snapshot without ROM= holds a ROM image:"$'\n'"$(cat "$work/summary.txt")"
    fi
    run_make -q "ASSEMBLE=$command" "ROM=$rom" || fail "$assembler: a second make does not find game.zvk up to date"
done <<'TABLE'
output-first|./output-first -o $@ $<|module.rom
output-last|./output-last $< $@|
TABLE

# Without ASSEMBLE, make names the variable and builds nothing.
rm -f "$work"/game.zvk "$work"/game.bin
status=0
run_make >"$work/make.log" 2>&1 || status=$?
[[ $status -ne 0 ]] || fail "make without ASSEMBLE succeeded"
grep -q 'ASSEMBLE' "$work/make.log" || fail "make without ASSEMBLE does not name it:"$'\n'"$(cat "$work/make.log")"
[[ ! -e $work/game.bin && ! -e $work/game.zvk ]] || fail "make without ASSEMBLE left files behind"

if ((failures > 0)); then
    echo "$failures Makefile recipe check(s) failed"
    exit 1
fi
echo "the README's Makefile recipe builds and checks the snapshot with both programs given by path"
