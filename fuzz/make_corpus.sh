#!/usr/bin/env bash
# Regenerates the seed corpora in fuzz/corpus/ with the project's own quillet
# executable: snapshots of every kind for read_snapshot (versions 1 and 2,
# packed and raw, with and without a ROM image, every model, a template
# round trip) plus damaged headers, stored blocks for unpack_block, blocks
# for pack_unpack and argument vectors for parse_command_line.
#
#   fuzz/make_corpus.sh [path/to/quillet]    (default: build/quillet)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
quillet="$(realpath "${1:-$here/../build/quillet}")"
corpus="$here/corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

for target in read_snapshot unpack_block pack_unpack parse_command_line; do
  rm -rf "${corpus:?}/$target"
  mkdir -p "$corpus/$target"
done

# Deterministic inputs: a short program-like byte string, a 1 KB ROM image
# that does not pack (no three equal neighbours) and a 2 KB one that does.
hex=C3000221FF7F0600110040CD0000AAAA55551234
for ((i = 0; i < 1024; ++i)); do printf "\\x$(printf %02x $(((i * 7 + i / 256) % 256)))"; done > rom_raw.bin
{ head -c 1024 rom_raw.bin; head -c 1024 /dev/zero; } > rom_packed.bin
head -c 300 rom_raw.bin > short.bin

snapshot() {  # name, then quillet options
  local name="$1"
  shift
  "$quillet" -o "$corpus/read_snapshot/$name.zvk" "$@" > /dev/null
}

models=(V1 V2 V2A V3 MATO ALFA ALFA2 C2717)
for model in "${models[@]}"; do
  snapshot "v1-packed-$model" -cm "$model" -pack -hex 256 "$hex" -hex 49152 "$hex" -reg PC 256
  snapshot "v1-packed-rom-$model" -cm "$model" -pack -rom rom_packed.bin -hex 0 "$hex"
done
snapshot v1-raw -cm V2A -hex 32768 "$hex"
snapshot v1-raw-rom -cm V1 -rom short.bin -pack -hex 0 "$hex" -ei
snapshot v1-rawrom-rawblock -cm V2 -rom rom_raw.bin -mem 0 short.bin
snapshot v2-musica-packed -mus -pack -hex 16384 "$hex"
snapshot v2-mif85-rom-packed -mif85 1 -pack -rom rom_packed.bin -hex 0 "$hex"
snapshot v2-mapper-packed -cm V3 -mm 5 -vpi 1 -pack -pg 7 short.bin -pg 15 rom_packed.bin -hex 0 "$hex"
snapshot v2-mapper-raw-rom -cm V2A -mm 1 -rom rom_raw.bin -pg 4 short.bin
snapshot v2-allram -cm V3 -allram -vpi 0 -pack -hex 0 "$hex"
snapshot from-template -zvk "$corpus/read_snapshot/v2-mapper-packed.zvk" -cm V2A -pack -hex 100 "$hex"

# Damaged headers: each fails one check of the reader.
bad() { printf "$2" > "$corpus/read_snapshot/bad-$1.zvk"; }
header_v1() {  # version, header length word, model, rom descriptor word, block 0 length word
  printf "ZVK\\x$1$2\\x$3\\x00\\x46\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x80$4$5\\x00\\x00\\x00\\x00\\x00\\x00"
  head -c 26 /dev/zero
}
: > "$corpus/read_snapshot/bad-empty.zvk"
bad six-bytes 'ZVK\x01\x38\x00'
bad lowercase-magic 'zvk\x01\x38\x00\x02'
bad version-0 'ZVK\x00\x38\x00\x02'
bad version-3-length-0 'ZVK\x03\x00\x00\x02'
header_v1 01 '\x37\x00' 02 '\x00\x00' '\x00\x00' > "$corpus/read_snapshot/bad-length-55.zvk"
header_v1 02 '\x7d\x00' 02 '\x00\x00' '\x00\x00' > "$corpus/read_snapshot/bad-length-125.zvk"
header_v1 01 '\x38\x00' 08 '\x00\x00' '\x00\x00' > "$corpus/read_snapshot/bad-model-8.zvk"
header_v1 01 '\x38\x00' 02 '\x00\x00' '\x01\x40' > "$corpus/read_snapshot/bad-block-16385.zvk"
header_v1 01 '\x38\x00' 02 '\x01\x40' '\x00\x00' > "$corpus/read_snapshot/bad-rom-16385.zvk"
header_v1 01 '\x38\x00' 02 '\x00\x80' '\x00\x00' > "$corpus/read_snapshot/bad-rom-raw-empty.zvk"
{ header_v1 01 '\x38\x00' 02 '\x00\x00' '\x04\x00'; printf '\x7f\x00'; } > "$corpus/read_snapshot/bad-block-truncated.zvk"
{ header_v1 01 '\x38\x00' 02 '\x00\x00' '\x02\x00'; printf '\x00\x41'; } > "$corpus/read_snapshot/bad-block-short.zvk"
{ header_v1 01 '\x38\x00' 02 '\x00\x00' '\x03\x00'; printf '\x83\x41\x42'; } > "$corpus/read_snapshot/bad-block-cut-literal.zvk"
header_v1 01 '\x38\x00' 02 '\x00\x00' '\x00\x00' | head -c 40 > "$corpus/read_snapshot/bad-header-truncated.zvk"

# unpack_block: two bytes of capacity (signed, little-endian), then the stored bytes.
unpack() { printf "$2" > "$corpus/unpack_block/$1"; }
unpack fill '\x05\x00\x09'
unpack raw '\x04\x00\x02\x41\x80\x42'
unpack short-run '\x0a\x00\x00\x41'
unpack cut-run '\x04\x00\x02\x41'
unpack left-over '\x05\x00\x02\x41\x80\x42'
unpack too-long '\x02\x00\x01\x02\x03'
unpack zero-capacity '\x00\x00\x41'
unpack negative-capacity '\xff\xff\x41'
unpack empty '\x10\x00'
unpack mixed '\x00\x40\x7f\x00\x43\x00\x80\x01\xff\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x20'
unpack literal-missing-data '\x00\x40\x85\x01\x02'
unpack control-last '\x00\x40\x01\x41\x05'

# pack_unpack: the blocks themselves.
block() { printf "$2" > "$corpus/pack_unpack/$1"; }
block one '\x41'
block pair-equal '\x41\x41'
block pair '\x41\x42'
block raw-tie '\x05\x05\x05\x01'
block repeat-first '\x05\x05\x05\x05\x01'
block repeat-last '\x41\x42\x42\x42\x42'
block mixed '\x01\x02\x02\x02\x02\x02\x02\x02\x03\x04'
{ head -c 131 /dev/zero; printf '\x01'; } > "$corpus/pack_unpack/repeat-131"
{ head -c 133 /dev/zero; printf '\x01'; } > "$corpus/pack_unpack/repeat-133"
{ head -c 129 rom_raw.bin; head -c 200 /dev/zero; } > "$corpus/pack_unpack/literal-129-then-repeat"
head -c 1024 rom_raw.bin > "$corpus/pack_unpack/no-repeats"
{ head -c 16383 /dev/zero | tr '\0' '\377'; printf '\x00'; } > "$corpus/pack_unpack/page-ff"
cp rom_packed.bin "$corpus/pack_unpack/rom-packed"

# parse_command_line: NUL-separated arguments, the program name first.
arguments() { local name="$1"; shift; printf '%s\0' quillet "$@" | head -c -1 > "$corpus/parse_command_line/$name"; }
arguments minimal -o out.zvk -mem 0 game.bin
arguments everything -vb -pack -ei -cm V3 -mm 0x10 -vpi 1 -reg pc 0x100 -reg SP 65535 -pg 15 a.bin \
  -hex 0 C3 -rom rom.bin -zvk t.zvk -o out.zvk -allram
arguments musica -mus -mif85 0 -o o -hex 0xFFFF 00
arguments help -o out -h
arguments missing-value -o out -reg PC
arguments second-output -o a -o b -hex 0 00
arguments bad-values -cm X -o o -zvk t
arguments range -mem 65536 f -o o
arguments bad-register -reg IX 0 -o o -zvk t
arguments bad-page -pg 16 f -o o
arguments bad-mapper -mm 128 -o o -zvk t
arguments bad-switch -vpi 2 -o o -zvk t
arguments combinations -cm V1 -allram -mm 1 -mif85 1 -mus -o o -zvk t
arguments no-input -o o
arguments no-output -zvk t
arguments octal -mem 010 f -reg BC 0777 -o o
