# Checks of what the README and the manual page say about where loaded bytes
# end up and what a template keeps, against what the programs do. Sourced by
# readme_test.sh and man_page_test.sh, which set these first:
#   quillet, quillet_info  the programs
#   examples               the examples directory
#   work                   an empty scratch directory
#   fail                   a function that records a failure

models=(V1 V2 V2A V3 MATO ALFA ALFA2 C2717)

# models_named TEXT: the model names TEXT mentions, one a line ("V2" is not
# found in "V2A", nor "ALFA" in "ALFA2").
models_named() {
    local model
    for model in "${models[@]}"; do
        grep -Eq "(^|[^A-Za-z0-9])$model([^A-Za-z0-9]|$)" <<<"$1" && echo "$model"
    done
    return 0
}

# byte_at FILE OFFSET: the byte at OFFSET of FILE in two hexadecimal digits.
byte_at() {
    od -An -tx1 -j "$2" -N1 "$1" | tr -d ' \n'
}

# models_dropping_block2 LOAD...: the models whose snapshot lacks the byte
# 0xC9 that the load arguments LOAD put at address 0x8000 (block 2).
models_dropping_block2() {
    local model
    for model in "${models[@]}"; do
        rm -f "$work/block2.zvk" "$work/memory.bin"
        "$quillet" -o "$work/block2.zvk" -cm "$model" "$@" >/dev/null &&
            "$quillet_info" -m "$work/memory.bin" "$work/block2.zvk" >/dev/null ||
            fail "quillet -cm $model $* and quillet-info -m failed"
        [[ $(byte_at "$work/memory.bin" $((0x8000))) == c9 ]] || echo "$model"
    done
}

# check_block2_entries DOCUMENT ENTRY_OF: for -mem, -pg and -hex, the models
# that ENTRY_OF OPTION (the document's text about OPTION) names must be
# exactly those that lose what the option loads into block 2.
check_block2_entries() {
    local document=$1 entry_of=$2 option load named dropping
    printf '\xC9' >"$work/c9.bin"
    while read -r option load; do
        named=$(models_named "$("$entry_of" "$option")")
        # shellcheck disable=SC2086 # LOAD is words
        dropping=$(models_dropping_block2 $option $load)
        [[ -n $dropping ]] || fail "no model drops block 2 loaded with $option"
        [[ $named == "$dropping" ]] ||
            fail "$document: $option names the models '${named//$'\n'/ }'; block 2 is not stored for '${dropping//$'\n'/ }'"
    done <<TABLE
-mem 0x8000 $work/c9.bin
-pg 2 $work/c9.bin
-hex 0x8000 C9
TABLE
}

# check_rom_entry DOCUMENT TEXT: the models that TEXT (the document's text
# about -rom) names must be those that keep less of a 16384-byte ROM image,
# and "first N bytes" in TEXT how much they keep.
check_rom_entry() {
    local document=$1 text=$2 model kept named cutting="" stated
    head -c 16384 /dev/zero | tr '\0' '\125' >"$work/rom.bin"
    for model in "${models[@]}"; do
        rm -rf "$work/rom.zvk" "$work/rom"
        mkdir "$work/rom"
        "$quillet" -o "$work/rom.zvk" -cm "$model" -rom "$work/rom.bin" -hex 0 00 >/dev/null &&
            "$quillet_info" -x "$work/rom" "$work/rom.zvk" >/dev/null ||
            fail "quillet -cm $model -rom and quillet-info -x failed"
        kept=$(stat -c %s "$work/rom/rom.bin")
        if ((kept < 16384)); then
            cutting+="$model"$'\n'
            stated=$(grep -oE 'first [0-9]+ bytes' <<<"$text")
            [[ $stated == "first $kept bytes" ]] ||
                fail "$document: -rom says '$stated'; a $model snapshot keeps the first $kept bytes"
        fi
    done
    named=$(models_named "$text")
    [[ -n $cutting ]] || fail "no model keeps less of a 16384-byte ROM image"
    [[ $named == "${cutting%$'\n'}" ]] ||
        fail "$document: -rom names the models '${named//$'\n'/ }'; the ROM image is cut for '${cutting//$'\n'/ }'"
}

# summary_without_places FILE: quillet-info's summary of FILE without the
# lines that name the file or depend on where pieces lie in it.
summary_without_places() {
    "$quillet_info" "$1" | sed -e '/^File:/d' -e '/^File size:/d' -e 's/ at offset [0-9]*$//'
}

# check_template_example DOCUMENT COMMAND: COMMAND is the document's example
# that patches two bytes at 0x8000 of saved.zvk, a snapshot saved from a V3
# with the memory mapper at port value 0, into patched.zvk with interrupts
# enabled. Run on such a snapshot, with a ROM image and a mapper page, it
# must keep everything else: model, format, add-on hardware, registers, ROM
# image, blocks and their bytes.
check_template_example() {
    local document=$1 words
    read -ra words <<<"$2"
    [[ ${words[0]} == quillet ]] || { fail "$document: no quillet template example found"; return; }
    rm -rf "$work/template" && mkdir -p "$work/template/saved" "$work/template/patched"
    head -c 2048 /dev/zero | tr '\0' '\061' >"$work/template/module.rom"
    (cd "$work/template" &&
        "$quillet" -o saved.zvk -cm V3 -mm 0 -rom module.rom -mem 0 "$examples/stripes.bin" \
            -pg 9 "$examples/stripes.bin" -reg PC 0 -reg SP 0x7000 >/dev/null &&
        "$quillet" "${words[@]:1}" >/dev/null) || { fail "$document: the template example failed: $2"; return; }
    local saved patched
    saved=$(summary_without_places "$work/template/saved.zvk")
    patched=$(summary_without_places "$work/template/patched.zvk")
    [[ $(grep '^Interrupts:' <<<"$patched") == *enabled && $(grep '^Interrupts:' <<<"$patched") != *disabled ]] ||
        fail "$document: the template example does not enable interrupts"
    local kept_saved kept_patched
    kept_saved=$(grep -v -e '^Interrupts:' -e '^  block 02 ' <<<"$saved")
    kept_patched=$(grep -v -e '^Interrupts:' -e '^  block 02 ' <<<"$patched")
    [[ $kept_saved == "$kept_patched" ]] ||
        fail "$document: the template example loses what the template had:"$'\n'"$(diff <(echo "$kept_saved") <(echo "$kept_patched"))"
    "$quillet_info" -x "$work/template/saved" "$work/template/saved.zvk" >/dev/null &&
        "$quillet_info" -x "$work/template/patched" "$work/template/patched.zvk" >/dev/null ||
        fail "$document: quillet-info -x failed on the template example's snapshots"
    local piece
    for piece in rom.bin block-00.bin block-09.bin; do
        cmp -s "$work/template/saved/$piece" "$work/template/patched/$piece" ||
            fail "$document: the template example changes $piece"
    done
    [[ $(byte_at "$work/template/patched/block-02.bin" 0)$(byte_at "$work/template/patched/block-02.bin" 1) == c9c9 ]] ||
        fail "$document: the template example does not store C9 C9 at 0x8000"
}
