#!/usr/bin/env bash
# Runs examples/ctypes_call.py with Python against the shared library of
# this build: it must write quillet's snapshot of checks.bin byte for byte,
# print the HL that the routine vaddr returns, and give back the library's
# failure code and message when its output cannot be written. The README's
# command, run where the quick start leaves the build, prints what the
# README shows.
# Usage: ctypes_example_test.sh README EXAMPLES_DIR SHARED_LIBRARY QUILLET PYTHON
set -u
readme=$(realpath "$1") examples=$(realpath "$2") library=$(realpath "$3") quillet=$(realpath "$4") python=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

"$quillet" -o "$work/expected.zvk" -pack -mem 0 "$examples/checks.bin" -reg PC 0 >/dev/null || exit 1

output=$("$python" "$examples/ctypes_call.py" "$work/ctypes.zvk" "$library" 2>&1)
status=$?
[[ $status -eq 0 ]] || fail "status $status:"$'\n'"$output"
[[ $output == "vaddr(A=10, C=3): HL=0xC283 after 113 states" ]] || fail "it printed: $output"
cmp -s "$work/expected.zvk" "$work/ctypes.zvk" || fail "its snapshot is not quillet's"

output=$("$python" "$examples/ctypes_call.py" "$work/missing/out.zvk" "$library" 2>&1)
status=$?
[[ $status -eq 10 ]] || fail "writing into a missing directory: status $status, not 10"
[[ $output == "ctypes_call: Can't open output file '$work/missing/out.zvk'!" ]] ||
    fail "writing into a missing directory: $output"

# The README's command and the line it shows.
shown=$(grep -A1 '^\$ python3 examples/ctypes_call.py ' "$readme")
command=$(head -n1 <<<"$shown") want=$(tail -n1 <<<"$shown")
mkdir "$work/tree" "$work/tree/build"
ln -s "$examples" "$work/tree/examples"
ln -s "$library" "$work/tree/build/libquillet.so.1"
[[ -n $command ]] || fail "the README shows no run of examples/ctypes_call.py"
got=$(cd "$work/tree" && PATH="$(dirname "$python"):$PATH" bash -c "${command#\$ }" 2>&1)
[[ $got == "$want" ]] || fail "the README's $command printed: $got"

if ((failures > 0)); then
    echo "$failures ctypes example check(s) failed"
    exit 1
fi
echo "examples/ctypes_call.py builds quillet's snapshot, calls vaddr and reads HL through ctypes"
