#!/usr/bin/env bash
# quillet-run --tests as prove reads it: a list of a passing and a failing
# case over examples/checks.bin is one failing test file with test 2 failed;
# the passing case alone passes. Skipped (77) without prove (Perl's
# Test::Harness).
# Usage: tests_prove_test.sh QUILLET QUILLET_RUN EXAMPLES_DIR
set -u
quillet=$(realpath "$1") quillet_run=$(realpath "$2") examples=$(realpath "$3")
command -v prove >/dev/null || { echo "SKIP: prove not found (sudo apt-get install perl)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
"$quillet" -o checks.zvk -mem 0 "$examples/checks.bin" -reg PC 0 >/dev/null || { echo "FAIL: quillet"; exit 1; }
cat >both.txt <<'CASES'
# vaddr's result, right and wrong
--reg A=10 --reg C=3 --call 0x0025 --expect HL=0xC283   # vaddr 10,3
--reg A=10 --reg C=3 --call 0x0025 --expect HL=0xC284   # vaddr 10,3 off by one
CASES
head -n 2 both.txt >right.txt
failures=0
prove --exec "$quillet_run checks.zvk --tests" both.txt >both.log 2>&1
status=$?
if ((status == 0)) || ! grep -q '^  Failed test:  2$' both.log || ! grep -q '^Result: FAIL$' both.log; then
    echo "FAIL: prove did not see test 2 of both.txt fail (status $status):"
    cat both.log
    failures=1
fi
if ! prove --exec "$quillet_run checks.zvk --tests" right.txt >right.log 2>&1 || ! grep -q '^Result: PASS$' right.log; then
    echo "FAIL: prove did not pass right.txt:"
    cat right.log
    failures=1
fi
((failures == 0)) && echo "prove reads quillet-run --tests: the failing case fails its file, the passing one passes"
exit $failures
