# Sourced by the tests of the README's walkthroughs: runs one section's
# commands in the current directory and compares what they print.
#
# run_walkthrough SECTION: each command shown after "$ " in a plain ```
# block must print exactly the lines shown below it (standard output and
# standard error together, as a terminal shows them); a ```sh block is run
# as it stands, to make what later commands look at; other blocks are left
# to the caller. Counts into `commands` and `failures`, which the caller
# sets, and prints a FAIL line with the difference for each mismatch.

# Compares the output of the pending command with the lines shown for it
# (trailing empty lines aside, which both lose the same way).
walkthrough_check() {
    [[ -n $command ]] || return 0
    local got want
    got=$(bash -c "$command" 2>&1)
    want=$(printf '%s\n' "$shown")
    commands=$((commands + 1))
    if [[ $got != "$want" ]]; then
        echo "FAIL: \$ $command"
        diff <(echo "$want") <(echo "$got")
        failures=$((failures + 1))
    fi
    command="" shown=""
}

run_walkthrough() {
    local line fence="" script=""
    command="" shown=""
    while IFS= read -r line; do
        if [[ -z $fence && $line == '```'* ]]; then
            fence=${line#'```'}
            [[ -n $fence ]] || fence=plain
            continue
        fi
        if [[ -n $fence && $line == '```' ]]; then
            case $fence in
                sh) bash -c "$script" >/dev/null ||
                        { echo "FAIL: the sh block did not run:"$'\n'"$script"; failures=$((failures + 1)); } ;;
                plain) walkthrough_check ;;
            esac
            fence="" script=""
            continue
        fi
        case $fence in
            sh) script+=$line$'\n' ;;
            plain)
                if [[ $line == '$ '* ]]; then
                    walkthrough_check
                    command=${line#'$ '}
                else
                    shown+=${shown:+$'\n'}$line
                fi
                ;;
        esac
    done <<<"$1"
}
