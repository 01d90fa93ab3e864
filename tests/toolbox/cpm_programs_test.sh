#!/usr/bin/env bash
# quillet-run --cpm against the public 8080 test programs: their exact
# output and their exact counts of instructions and states. Skipped (77)
# when the folder of the programs is not there.
# Usage: cpm_programs_test.sh QUILLET_RUN CPU_TESTS_DIR NAME INSTRUCTIONS STATES
set -u
run=$1 dir=$2 name=$3 instructions=$4 states=$5
if [[ ! -f $dir/$name.COM ]]; then
    echo "SKIP: $dir/$name.COM is not there (the public 8080 test programs)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$run" --cpm "$dir/$name.COM" --json >"$work/out" 2>"$work/report"
status=$?
failed=0
[[ $status -eq 0 ]] || { echo "FAIL: exit status $status"; failed=1; }
cmp "$work/out" "$dir/expected/$name.out" || { echo "FAIL: the output differs from $dir/expected/$name.out"; failed=1; }
expected="{\"stop\": \"exit\", \"pc\": 0, \"instructions\": $instructions, \"states\": $states}"
[[ $(cat "$work/report") == "$expected" ]] || { echo "FAIL: report $(cat "$work/report"), expected $expected"; failed=1; }
((failed == 0)) && echo "$name: output and counts exact"
exit $failed
