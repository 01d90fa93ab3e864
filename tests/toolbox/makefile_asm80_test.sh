#!/usr/bin/env bash
# Runs the README's Makefile recipe with the README's asm80 line (Intel HEX
# from asm80, made a raw binary by objcopy) on examples/stripes.asm: the
# snapshot must hold examples/stripes.bin at address 0. Skipped (77) with
# its reason when asm80 (need_asm80.sh), objcopy or make is missing.
# Usage: makefile_asm80_test.sh README EXAMPLES_DIR QUILLET QUILLET_INFO MAKE ASM80 BUILD_DIR
set -u
source "$(dirname "$0")/need_asm80.sh"
readme=$1 examples=$(realpath "$2") quillet=$(realpath "$3") quillet_info=$(realpath "$4") make=$5
need_asm80 "${6:-}" "$7"
command -v objcopy >/dev/null || { echo "SKIP: objcopy not found (sudo apt-get install binutils)"; exit 77; }
# MAKE is what the configure step found: a path, empty or ...-NOTFOUND.
if [[ -z $make || $make == *-NOTFOUND ]] || ! command -v "$make" >/dev/null; then
    echo "SKIP: make not found (sudo apt-get install make)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sed -n '/^```make$/,/^```$/p' "$readme" | sed '1d;$d' >"$work/Makefile"
# The ASSEMBLE column of the table's asm80 row, between its backquotes.
assemble=$(grep -m1 '^| asm80 ' "$readme" | sed 's/^.*| `\(.*\)` |$/\1/')
[[ $assemble == asm80\ * ]] || { echo "FAIL: no asm80 row with an ASSEMBLE line in $readme"; exit 1; }

cp "$examples/stripes.asm" "$work/game.asm"
if ! (cd "$work" && PATH="$(dirname "$asm80"):$PATH" \
        "$make" QUILLET="$quillet" QUILLET_INFO="$quillet_info" "ASSEMBLE=$assemble") >"$work/make.log" 2>&1; then
    echo "FAIL: make with the README's asm80 line failed:"
    cat "$work/make.log"
    exit 1
fi
"$quillet_info" -m "$work/memory.bin" --range "0+$(stat -c %s "$examples/stripes.bin")" "$work/game.zvk" >/dev/null ||
    { echo "FAIL: quillet-info cannot read the snapshot"; exit 1; }
cmp "$examples/stripes.bin" "$work/memory.bin" ||
    { echo "FAIL: the snapshot does not hold examples/stripes.bin at address 0"; exit 1; }
echo "the README's Makefile recipe with asm80 and objcopy builds examples/stripes.asm into its snapshot"
