#!/usr/bin/env bash
# Drives the bash completion functions of the four programs the way
# bash does on TAB, and checks what they offer for a table of command lines.
# Usage: completion_test.sh COMPLETIONS_DIR
set -u
export LC_ALL=C
completions=$1
source "$completions/quillet.bash" || exit 1
source "$completions/quillet-info.bash" || exit 1
source "$completions/quillet-run.bash" || exit 1
source "$completions/quillet-tape.bash" || exit 1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir roms out
touch game.bin game.zvk gfx.bin "my level.bin" roms/basic.rom

failures=0

# Completes LINE (the cursor at its end; a trailing space starts an empty
# word) with the function registered for its program, and prints the offered
# words sorted, one line, separated by single spaces.
offer() {
    local line=$1
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    local registration function
    registration=$(complete -p "${COMP_WORDS[0]}") || return 1
    function=${registration#*-F }
    function=${function%% *}
    COMPREPLY=()
    "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}

expect() {
    local want=$1 line=$2 got
    got=$(offer "$line")
    if [[ $got != "$want" ]]; then
        printf 'FAIL: "%s"\n  expected: [%s]\n  offered:  [%s]\n' "$line" "$want" "$got"
        failures=$((failures + 1))
    fi
}

quillet_options="-allram -cm -ei -h -hex -mem -mif85 -mm -mus -o -pack -pg -reg -rom -vb -vpi -zvk"

#      expected offer                              command line
expect "$quillet_options"                          "quillet "
expect "-mem -mif85 -mm -mus"                      "quillet -m"
expect "-pack -pg"                                 "quillet -o x.zvk -p"
expect "ALFA ALFA2 C2717 MATO V1 V2 V2A V3"        "quillet -cm "
expect "V2 V2A"                                    "quillet -cm V2"
expect "v2 v2a"                                    "quillet -cm v2"
expect "AF BC DE HL PC SP"                         "quillet -reg "
expect "pc"                                        "quillet -reg p"
expect ""                                          "quillet -reg PC "
expect "0 1 10 11 12 13 14 15 2 3 4 5 6 7 8 9"     "quillet -pg "
expect "1 10 11 12 13 14 15"                       "quillet -pg 1"
expect "game.bin game.zvk gfx.bin my level.bin out roms" "quillet -pg 9 "
expect "game.bin game.zvk"                         "quillet -o game"
expect "game.zvk"                                  "quillet -zvk game.z"
expect "my level.bin"                              "quillet -pg 3 my"
expect "roms/basic.rom"                            "quillet -rom roms/"
expect ""                                          "quillet -mem "
expect "gfx.bin"                                   "quillet -mem 0x4000 gf"
expect ""                                          "quillet -hex 0 "
expect "-h -hex"                                   "quillet -hex 0 C9 -h"
expect "0 1"                                       "quillet -vpi "
expect "0 1"                                       "quillet -mif85 "
# Values are taken by position: "-o -vb" names the file -vb, and the word
# after a finished "-reg PC 0" is an option word again.
expect "$quillet_options"                          "quillet -o -vb "
expect "-pack -pg"                                 "quillet -reg PC 0 -p"
expect "game.bin game.zvk"                         "quillet -mem -vb gam"
expect ""                                          "quillet -mem 0 -pg -vb gam"
expect "game.bin game.zvk gfx.bin my level.bin out roms" "quillet -zvk "

info_options="--coverage --diff --disassemble --extract --find --help --json --memory --palette --peek --range --scale --screen --symbols --version -h -j -m -x"
expect "$info_options"                             "quillet-info -"
expect "--json"                                    "quillet-info --j"
expect "game.bin game.zvk gfx.bin my level.bin out roms" "quillet-info "
expect "game.zvk"                                  "quillet-info --json game.z"
expect "out roms"                                  "quillet-info -x "
expect "out"                                       "quillet-info --extract o"
expect "out"                                       "quillet-info --extract = o"
expect "game.bin game.zvk gfx.bin my level.bin out roms" "quillet-info -m "
expect "gfx.bin"                                   "quillet-info --memory gf"
expect "game.bin game.zvk"                         "quillet-info -- game"
expect ""                                          "quillet-info -- -"
# A picture for --screen, a snapshot for --diff; ranges and values get nothing.
mkdir shots
touch screen.png SHOT.PNG shots/title.png shots/title.txt
expect "SHOT.PNG out roms screen.png shots"        "quillet-info --screen "
expect "shots/title.png"                           "quillet-info --screen shots/"
expect "screen.png shots"                          "quillet-info --screen = s"
expect "game.zvk out roms shots"                   "quillet-info --diff "
expect "game.zvk"                                  "quillet-info --diff=g"
expect "--palette --peek"                          "quillet-info --p"
expect "--scale --screen"                          "quillet-info -j --sc"
expect ""                                          "quillet-info --peek "
expect ""                                          "quillet-info --disassemble "
expect "--diff --disassemble"                      "quillet-info --di"
expect ""                                          "quillet-info --find "
expect ""                                          "quillet-info --range 0"
expect ""                                          "quillet-info --scale "
expect ""                                          "quillet-info --palette "
expect "game.bin game.zvk"                         "quillet-info --peek 0x8000 game"

run_options="--audio --bare --boot --call --coverage --cpm --expect --expect-flag --expect-mem --expect-screen --expect-stop --expect-text --help --in --json --keys --max-instructions --max-states --module --monitor --out-log --output --palette --peek --poke --reg --rom-at --scale --screen --screen-diff --screen-text --screen-tolerance --stats --symbols --tape --tape-out --tests --trace --trace-limit --type --until --until-text --version -h -o"
touch TEST.COM
expect "$run_options"                              "quillet-run -"
expect "--expect --expect-flag --expect-mem --expect-screen --expect-stop --expect-text" "quillet-run --ex"
everything="SHOT.PNG TEST.COM game.bin game.zvk gfx.bin my level.bin out roms screen.png shots"
expect "$everything"                               "quillet-run "
expect "game.zvk"                                  "quillet-run --until 0x22 game.z"
expect "TEST.COM out roms shots"                   "quillet-run --cpm "
expect "SHOT.PNG out roms screen.png shots"        "quillet-run --screen "
expect "screen.png shots"                          "quillet-run --screen = s"
expect "screen.png shots"                          "quillet-run --screen=s"
expect "$everything"                               "quillet-run -o "
expect "game.bin game.zvk"                         "quillet-run --output game"
expect "gfx.bin"                                   "quillet-run --trace gf"
expect "gfx.bin"                                   "quillet-run --tests gf"
expect "1 2 3 4"                                   "quillet-run --screen a.png --scale "
# --rom-at takes ADDR, then FILE; the word after them is an option or
# SNAPSHOT again, and so it is after a value that looks like an option.
expect ""                                          "quillet-run --rom-at "
expect "roms/basic.rom"                            "quillet-run --rom-at 0x8000 roms/"
expect "roms/basic.rom"                            "quillet-run --rom-at = 0x8000 roms/"
expect "--reg --rom-at"                            "quillet-run --rom-at 0x8000 roms/basic.rom --r"
expect "game.zvk"                                  "quillet-run --rom-at 0x8000 roms/basic.rom game.z"
expect "game.zvk"                                  "quillet-run -o -h game.z"
# Values that are no file get nothing, with "=" inside or not.
expect ""                                          "quillet-run --reg "
expect ""                                          "quillet-run --reg A = "
expect ""                                          "quillet-run --expect-mem 0xC000 = 3f"
expect "--poke"                                    "quillet-run --reg A = 1 --po"
expect ""                                          "quillet-run --until "
expect ""                                          "quillet-run --palette "
expect ""                                          "quillet-run --max-states=1"
expect "game.bin game.zvk"                         "quillet-run -- game"
expect ""                                          "quillet-run -- -"

# quillet-tape in a directory of its own files.
mkdir "$scratch/tapes" "$scratch/tapes/out" && cd "$scratch/tapes" || exit 1
touch game.bin game.ptp game.wav game.zvk
tape_options="--extract --help --ignore-checksums --json --model --monitor --name --number --output --pmd --snapshot --type --version --wav -h -j -o -x"
expect "$tape_options"                             "quillet-tape -"
expect "--name --number"                           "quillet-tape -o t.ptp --n"
expect "game.bin game.ptp game.wav game.zvk out"   "quillet-tape "
expect "out"                                       "quillet-tape -x "
expect "out"                                       "quillet-tape --extract = o"
expect "game.zvk out"                              "quillet-tape --snapshot "
expect "game.wav out"                              "quillet-tape --wav="
expect "game.bin game.ptp game.wav game.zvk out"   "quillet-tape -o "
expect "V2 V2A"                                    "quillet-tape --snapshot s.zvk --model V2"
expect ""                                          "quillet-tape --number "
expect ""                                          "quillet-tape --type "
expect "game.bin"                                  "quillet-tape -o t.ptp 0x9000 game.b"
expect "game.ptp"                                  "quillet-tape -- game.p"

if ((failures > 0)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases passed"
