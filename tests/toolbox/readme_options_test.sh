#!/usr/bin/env bash
# Keeps the README's option tables and the programs' help texts in step:
# every option that quillet-info, quillet-run and quillet-tape list in
# --help (and quillet in -h) has a row in its program's table of the
# README, every option of a table is one its program knows, and no help
# lists an option twice.
# Usage: readme_options_test.sh README QUILLET QUILLET_INFO QUILLET_RUN QUILLET_TAPE
set -u
readme=$1 quillet=$2 quillet_info=$3 quillet_run=$4 quillet_tape=$5
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The options a text names: words that begin with - or -- after a line's
# start, a space, a comma, a bracket or a backquote.
options_in() {
    grep -oE -- '(^|[ ,[`])--?[a-z][a-z0-9-]*' | tr -d ' ,[`' | sort -u
}

# The options in the first cells of the table rows of README section $1
# (a "## " heading, up to the next one).
table_options() {
    awk -v heading="## $1" '$0 == heading { inside = 1; next } /^## / { inside = 0 } inside' "$readme" |
        grep -E '^\| `-' | cut -d'|' -f2 | options_in
}

# The option column of a help text: its lines that begin with a few spaces and a
# - (a description that goes on is indented further), up to the description
# (after two spaces or a tab).
option_column() {
    grep -E '^ {1,8}-' | sed -E 's/^ +//; s/(  |\t).*//'
}

# check PROGRAM SECTION HELP: the help's options against the section's table.
check() {
    local program=$1 section=$2 help=$3 from_help from_table
    from_help=$(option_column <<<"$help" | options_in)
    local twice
    twice=$(option_column <<<"$help" | sort | uniq -d)
    [[ -z $twice ]] || fail "the help of $program lists twice:" $twice
    from_table=$(table_options "$section")
    [[ -n $from_help ]] || { fail "no options found in the help of $program"; return; }
    [[ -n $from_table ]] || { fail "no option table in the README's section '$section'"; return; }
    local missing extra
    missing=$(comm -23 <(echo "$from_help") <(echo "$from_table"))
    extra=$(comm -13 <(echo "$from_help") <(echo "$from_table"))
    [[ -z $missing ]] || fail "the README's table of $program ('$section') lacks:" $missing
    [[ -z $extra ]] || fail "the README's table of $program ('$section') has options its help does not name:" $extra
}

check quillet "Usage" "$("$quillet" -h </dev/null)"
check quillet-info "quillet-info" "$("$quillet_info" --help </dev/null)"
check quillet-run "Running 8080 programs" "$("$quillet_run" --help </dev/null)"
check quillet-tape "Tapes" "$("$quillet_tape" --help </dev/null)"

if ((failures > 0)); then
    echo "$failures README option table check(s) failed"
    exit 1
fi
echo "the README's option tables name every option of the programs' help, and no other"
