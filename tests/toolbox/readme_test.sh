#!/usr/bin/env bash
# Checks what the README says against what the programs do: the models that
# the rows of -mem, -pg and -hex name as not storing block 2, the models and
# the length that the -rom row names for a cut ROM image, and that the
# template example keeps the template's model, add-on hardware and memory.
# Usage: readme_test.sh README EXAMPLES_DIR QUILLET QUILLET_INFO
set -u
readme=$1 examples=$(realpath "$2") quillet=$(realpath "$3") quillet_info=$(realpath "$4")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

source "$(dirname "$0")/doc_facts.sh"

# The row of OPTION in the option table.
row_of() {
    grep -E "^\| \`$1( |\`)" "$readme"
}

for option in -mem -pg -hex -rom -zvk; do
    [[ $(row_of "$option" | wc -l) -eq 1 ]] || fail "README has no single table row for $option"
done
check_block2_entries README row_of
check_rom_entry README "$(row_of -rom)"
check_template_example README "$(grep -m1 '^quillet -zvk ' "$readme")"

# The quick start is two commands: the first builds the three programs and
# no more, and runs each of them (readme_inspection_test.sh runs it); the
# prerequisites line refreshes the package lists first.
quick_start=$(sed -n '/^## Quick start/,/^## /p' "$readme" | grep '^cmake ')
[[ $(wc -l <<<"$quick_start") -eq 2 ]] || fail "the quick start is not two commands:"$'\n'"$quick_start"
first=$(head -n1 <<<"$quick_start")
[[ $first == *"cmake --build build --target quillet quillet-info quillet-run && build/quillet "* ]] ||
    fail "the first quick start command does not build just the three programs: $first"
for program in quillet-info quillet-run; do
    [[ $first == *"&& build/$program "* ]] || fail "the first quick start command does not run $program: $first"
done
[[ $(tail -n1 <<<"$quick_start") == *"&& ctest --test-dir build"* ]] ||
    fail "the second quick start command does not run the tests: $(tail -n1 <<<"$quick_start")"
grep -q '^sudo apt-get update && sudo apt-get install ' "$readme" ||
    fail "the prerequisites line does not run apt-get update before apt-get install"

# The README shows the one message of the tests that skip without asm80.
skip_line=$(source "$(dirname "$0")/need_asm80.sh" && need_asm80 "" /home/me/quillet/build)
grep -Fxq -- "$skip_line" "$readme" || fail "README.md does not show the asm80 skip message: $skip_line"

if ((failures > 0)); then
    echo "$failures README check(s) failed"
    exit 1
fi
echo "the README's statements on block 2, the V3 ROM image, templates, the quick start, the prerequisites and asm80 hold"
