#!/usr/bin/env bash
# Checks the manual pages: each renders without a single groff warning, the
# quillet page lists every option of the usage screen and every exit status
# with its message exactly as the program prints it, and the quillet-info
# page names every option of that program's help text and shows, as its
# example, exactly what it prints for the example program's snapshot. With
# quillet-info, the quillet page's entries of -mem, -pg, -hex and -rom and its
# template example are checked against what the programs do (doc_facts.sh).
# The README's table of exit statuses is checked the same way. The messages
# come from the library's own table, printed by MESSAGES_PROGRAM. With
# quillet-run, its page names every option and exit status of its help
# text (as does the README's table of its statuses), and its report and
# trace examples are what it prints for the example program checks.bin.
# With quillet-tape, its page names every option and exit status of its
# help text.
# Usage: man_page_test.sh DOCS_DIR EXAMPLES_DIR README MESSAGES_PROGRAM QUILLET [QUILLET_INFO [QUILLET_RUN [QUILLET_TAPE]]]
set -u
docs=$1 examples=$(realpath "$2") readme=$3 messages_program=$4 quillet=$(realpath "$5")
quillet_info=${6:+$(realpath "$6")}
quillet_run=${7:+$(realpath "$7")}
quillet_tape=${8:+$(realpath "$8")}
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Plain text of a page, one paragraph per line (wide line length), without
# bold or underline overstrikes.
plain_text() {
    groff -man -Tascii -P-cbou -rLL=300n "$1" 2>/dev/null
}

pages=("$docs/quillet.1" "$docs/quillet-info.1" "$docs/quillet-run.1" "$docs/quillet-tape.1")
for page in "${pages[@]}"; do
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
    [[ -z $warnings ]] || fail "$page renders with warnings:"$'\n'"$warnings"
done

# Each page's title line names the version the programs report, which
# comes from the one definition in quillet.h.
version=$("$quillet" </dev/null | sed -n '1s/^Quillet \([0-9.]*\) .*/\1/p')
[[ -n $version ]] || fail "no version in the banner of $quillet"
for page in "${pages[@]}"; do
    grep -q "^\.TH .* \"quillet $version\" " "$page" || fail "$page does not name version $version in its title"
done

text=$(plain_text "$docs/quillet.1")

# Every option word of the usage screen has its own entry.
options=$("$quillet" -h </dev/null | sed -n 's/^  \(-[a-z0-9]*\).*/\1/p')
[[ -n $options ]] || fail "no option words found in the usage screen of $quillet"
for option in $options; do
    grep -Eq "^ +$option( |$)" <<<"$text" || fail "quillet.1 has no entry for $option"
done

# Every failure message stands beside its status, in the manual page and
# in the README's table.
statuses=0
while IFS=$'\t' read -r status message; do
    grep -Fxq -- "$(printf '%-7s%s' "$status" "$message")" <<<"$(sed 's/^ *//' <<<"$text")" ||
        fail "quillet.1 lacks status $status with \"$message\""
    # A code span around a message with backticks takes two of them.
    fence='`'
    [[ $message == *'`'* ]] && fence='``'
    grep -Fxq -- "| $status | $fence$message$fence |" "$readme" ||
        fail "README.md lacks status $status with \"$message\""
    statuses=$((statuses + 1))
done < <("$messages_program")
((statuses == 28)) || fail "$messages_program listed $statuses messages, not 28"

if [[ -n $quillet_info ]]; then
    info_text=$(plain_text "$docs/quillet-info.1")
    info_options=$("$quillet_info" --help </dev/null | grep -oE -- '(^|[ ,[])--?[a-z][a-z-]*' | tr -d ' ,[' | sort -u)
    [[ -n $info_options ]] || fail "no options found in the help text of $quillet_info"
    for option in $info_options; do
        grep -Eq -- "(^| )$option( |,|$)" <<<"$info_text" || fail "quillet-info.1 does not describe $option"
    done

    work=$scratch/facts
    mkdir "$work"
    source "$(dirname "$0")/doc_facts.sh"

    # The text of OPTION's entry in the quillet page.
    entry_of() {
        awk -v option="$1" '$0 ~ "^       " option "( |$)" { inside = 1; next }
            inside && /^$/ { exit }
            inside { print }' <<<"$text"
    }
    for option in -mem -pg -hex -rom; do
        [[ -n $(entry_of "$option") ]] || fail "quillet.1: no entry text for $option"
    done
    check_block2_entries quillet.1 entry_of
    check_rom_entry quillet.1 "$(entry_of -rom)"
    check_template_example quillet.1 "$(grep -m1 -E '^ *quillet -zvk ' <<<"$text" | sed 's/^ *//')"
    (cd "$scratch" && "$quillet" -o stripes.zvk -pack -mem 0 "$examples/stripes.bin" -reg PC 0 >/dev/null &&
        "$quillet_info" stripes.zvk >summary.txt) || fail "could not build and show the example snapshot"
    shown=$(sed -n '/^ *File: /,/^ *After last piece:/p' <<<"$info_text" | sed 's/^ *//')
    printed=$(sed 's/^ *//' "$scratch/summary.txt")
    [[ $shown == "$printed" ]] ||
        fail "the example summary in quillet-info.1 differs from the output:"$'\n'"$(diff <(echo "$shown") <(echo "$printed"))"
fi

if [[ -n $quillet_run ]]; then
    run_text=$(plain_text "$docs/quillet-run.1")
    run_help=$("$quillet_run" --help </dev/null)
    run_options=$(grep -oE -- '(^|[ ,[])--?[a-z][a-z-]*' <<<"$run_help" | tr -d ' ,[' | sort -u)
    [[ -n $run_options ]] || fail "no options found in the help text of $quillet_run"
    for option in $run_options; do
        grep -Eq -- "(^| )$option( |,|$)" <<<"$run_text" || fail "quillet-run.1 does not describe $option"
    done

    # The statuses of the help text's last paragraph ("0 the run ...; 1 a
    # check failed; 2 to 29 ..."): each an entry of the page's EXIT STATUS
    # and a row of the README's table in "Running 8080 programs".
    run_statuses=$(sed -n '/^Exit status:/,$p' <<<"$run_help" | tr '\n' ' ' | sed 's/^Exit status://' | tr ';' '\n' |
        sed -nE 's/^ *([0-9]+( to [0-9]+)?) .*/\1/p')
    [[ $(wc -l <<<"$run_statuses") -ge 6 ]] || fail "too few exit statuses found in the help text of $quillet_run"
    exit_section=$(sed -n '/^EXIT STATUS/,/^[A-Z]/p' <<<"$run_text")
    running_section=$(sed -n '/^## Running 8080 programs$/,/^## /p' "$readme")
    while IFS= read -r status; do
        grep -Eq "^ +$status( |$)" <<<"$exit_section" || fail "quillet-run.1 has no exit status entry $status"
        grep -Fq "| $status | " <<<"$running_section" || fail "README.md has no row for quillet-run's status $status"
    done <<<"$run_statuses"

    # The report and the trace line shown are what the page's first
    # example prints for checks.bin with the fault it names poked in.
    (cd "$scratch" && "$quillet" -o checks.zvk -pack -mem 0 "$examples/checks.bin" -reg PC 0 >/dev/null &&
        { "$quillet_run" --poke 0x0030=c1 --reg A=10 --reg C=3 --call 0x0025 --expect HL=0xC283 \
            --expect BC=0x0003 --trace trace.txt checks.zvk >report.txt; [[ $? == 1 ]]; }) ||
        fail "quillet-run did not fail the check of the faulty example"
    shown=$(sed -n '/^ *Snapshot: /,/^ *FAILED /p' <<<"$run_text" | sed 's/^ *//')
    printed=$(sed 's/^ *//' "$scratch/report.txt")
    [[ $shown == "$printed" ]] ||
        fail "the report in quillet-run.1 differs from the output:"$'\n'"$(diff <(echo "$shown") <(echo "$printed"))"
    shown=$(grep -E '^ +0  0025  ' <<<"$run_text" | sed 's/^ *//')
    printed=$(head -n 1 "$scratch/trace.txt" | sed 's/^ *//')
    [[ -n $shown && $shown == "$printed" ]] ||
        fail "the trace line in quillet-run.1 differs from the output:"$'\n'"$shown"$'\n'"$printed"
fi

if [[ -n $quillet_tape ]]; then
    tape_text=$(plain_text "$docs/quillet-tape.1")
    tape_help=$("$quillet_tape" --help </dev/null)
    tape_options=$(grep -oE -- '(^|[ ,[])--?[a-z][a-z-]*' <<<"$tape_help" | tr -d ' ,[' | sort -u)
    [[ -n $tape_options ]] || fail "no options found in the help text of $quillet_tape"
    for option in $tape_options; do
        grep -Eq -- "(^| )$option( |,|$)" <<<"$tape_text" || fail "quillet-tape.1 does not describe $option"
    done
    tape_statuses=$(sed -n '/^Exit status:/,$p' <<<"$tape_help" | tr '\n' ' ' | sed 's/^Exit status://' | tr ';' '\n' |
        sed -nE 's/^ *([0-9]+( to [0-9]+)?) .*/\1/p')
    [[ $(wc -l <<<"$tape_statuses") -ge 7 ]] || fail "too few exit statuses found in the help text of $quillet_tape"
    tape_exit_section=$(sed -n '/^EXIT STATUS/,/^[A-Z]/p' <<<"$tape_text")
    while IFS= read -r status; do
        grep -Eq "^ +$status( |$)" <<<"$tape_exit_section" || fail "quillet-tape.1 has no exit status entry $status"
    done <<<"$tape_statuses"
fi

# Each page's SEE ALSO names the other programs' pages.
pages=(quillet quillet-info quillet-run quillet-tape)
for page in "${pages[@]}"; do
    see_also=$(sed -n '/^\.SH SEE ALSO/,$p' "$docs/$page.1" | sed 's/\\-/-/g')
    for other in "${pages[@]}"; do
        [[ $other == "$page" ]] && continue
        grep -q "^\.BR $other (1)" <<<"$see_also" || fail "$page(1): SEE ALSO lacks $other(1)"
    done
done

if ((failures > 0)); then
    echo "$failures manual page check(s) failed"
    exit 1
fi
echo "manual pages render cleanly and cover every option and status"
