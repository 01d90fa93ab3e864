#!/usr/bin/env bash
# Assembles the disassembler's text of every opcode back with an 8080
# assembler (asm80) and checks that each gives exactly the bytes it was
# made from: the opcode and as many operand bytes as the disassembler took.
# Done twice, with operands 34H 12H and 0FEH 0CAH, so that numbers starting
# with a digit and with a letter are both assembled. Each instruction is
# put at its own address (opcode * 4), so that a wrong length shows at the
# opcode it belongs to instead of shifting the rest.
# Exits 77 (skipped) when asm80 or node is missing (need_asm80.sh).
# Usage: disassembler_roundtrip_test.sh PRINT_DISASSEMBLY ASM80 BUILD_DIR
set -u
source "$(dirname "$0")/need_asm80.sh"
print_disassembly=$1
need_asm80 "${2:-}" "$3"

scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
failures=0 checked=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for operands in "34 12" "FE CA"; do
    # shellcheck disable=SC2086  # two words on purpose
    if ! "$print_disassembly" $operands >"$scratch/listing.txt"; then
        fail "$print_disassembly $operands failed"
        continue
    fi
    if [[ $(wc -l <"$scratch/listing.txt") -ne 256 ]]; then
        fail "$print_disassembly $operands printed $(wc -l <"$scratch/listing.txt") lines, not 256"
        continue
    fi

    # The source, and the bytes each instruction must give.
    declare -A expected=() actual=()
    texts=() opcode=0
    : >"$scratch/all.a80"
    while IFS=$'\t' read -r hex_bytes text; do
        base=$((opcode * 4))
        printf '\tORG 0%04XH\n\t%s\n' "$base" "$text" >>"$scratch/all.a80"
        offset=0
        for byte in $hex_bytes; do
            expected[$((base + offset))]=$byte
            offset=$((offset + 1))
        done
        texts[opcode]=$text
        opcode=$((opcode + 1))
    done <"$scratch/listing.txt"

    if ! output=$(cd "$scratch" && "$asm80" -m I8080 -t hex -o all.hex all.a80 2>&1); then
        fail "asm80 rejects the texts of operands $operands (the line numbers count two per opcode):"$'\n'"$output"
        continue
    fi

    # The data records of the Intel HEX file: :LLAAAA00DD...CC.
    records=0
    while IFS= read -r record || [[ -n $record ]]; do
        record=${record%$'\r'}
        [[ $record == :* && ${record:7:2} == 00 ]] || continue
        count=$((16#${record:1:2})) address=$((16#${record:3:4}))
        for ((i = 0; i < count; i++)); do
            actual[$((address + i))]=${record:$((9 + 2 * i)):2}
        done
        records=$((records + 1))
    done <"$scratch/all.hex"
    ((records > 0)) || { fail "asm80 wrote no data for operands $operands"; continue; }

    for ((opcode = 0; opcode < 256; opcode++)); do
        want="" got=""
        for ((address = opcode * 4; address < opcode * 4 + 4; address++)); do
            [[ -n ${expected[$address]:-} ]] && want+=" ${expected[$address]}"
            [[ -n ${actual[$address]:-} ]] && got+=" ${actual[$address]^^}"
        done
        [[ $got == "$want" ]] || fail "\"${texts[opcode]}\" assembles to${got:- nothing}, not to$want"
        checked=$((checked + 1))
    done
    unset expected actual
done

if ((failures > 0)); then
    echo "$failures failures ($checked texts compared)"
    exit 1
fi
echo "all $checked texts assemble back to their bytes"
