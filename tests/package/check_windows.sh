#!/usr/bin/env bash
# Checks a Windows build (cmake/mingw-w64.cmake) on Linux, under Wine:
#   - the executables and the DLL load no MinGW runtime DLL;
#   - its own tests (the unit tests built for Windows, the fuzz replays)
#     pass under CTest, with Wine as the emulator;
#   - the end-to-end suites of the host build pass driving quillet.exe and
#     quillet-info.exe, quillet-run.exe and quillet-tape.exe, with CRLF line ends in every text;
#   - the zip package holds what the README says.
# Every skipped test is listed with its reason.
# Usage: check_windows.sh WINDOWS_BUILD HOST_BUILD
set -euo pipefail
windows=$(realpath "$1")
host=$(realpath "$2")

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
objdump=x86_64-w64-mingw32-objdump
export WINEDEBUG=-all
export WINEPREFIX=$windows/wine-prefix

# Prints a test log's closing lines and the reason of each skipped test
# (CTest's verbose log puts "N: " before each line of test N).
summarise() {  # LOG
    awk '{ sub(/^[0-9]+: /, "") }
         /: Skipped$/ { getline reason; sub(/^[0-9]+: /, "", reason); skipped = reason }
         /^\[  SKIPPED \] [A-Za-z]/ && skipped != "" { print $0 ": " skipped; skipped = "" }
         /^\[  (PASSED|FAILED)  \]/ || /tests passed/' "$1"
}

echo "-- DLLs that the programs and the library load"
for file in quillet.exe quillet-info.exe quillet-run.exe quillet-tape.exe libquillet.dll; do
    dlls=$("$objdump" -p "$windows/$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
    echo "$file: $dlls"
    if grep -qiE 'libstdc|libgcc|libwinpthread' <<<"$dlls"; then
        echo "FAIL: $file needs a MinGW runtime DLL"
        exit 1
    fi
done

echo "-- Wine"
# One server for the whole check, started apart from the tests: a server
# that a program under test started would keep that test's output pipes
# open until it exits, seconds later. The prefix is made once.
[ -d "$WINEPREFIX" ] || echo "creating $WINEPREFIX"
mkdir -p "$WINEPREFIX"
setsid "$wineserver" -p </dev/null >/dev/null 2>&1
trap '"$wineserver" -k || true' EXIT
"$wine" wineboot --init </dev/null >/dev/null 2>&1

echo "-- tests built for Windows"
status=0
ctest --test-dir "$windows" --verbose -j2 >"$windows/ctest-wine.log" 2>&1 || status=1
summarise "$windows/ctest-wine.log"
if [ $status -ne 0 ]; then
    grep -B5 -A20 -E '^\[  FAILED|: Failure$' "$windows/ctest-wine.log" | head -200
    exit 1
fi

echo "-- end-to-end suites driving the Windows programs"
export QUILLET_TEST_WRAPPER=$wine
export QUILLET_TEST_WINDOWS_PROGRAMS=$windows
# Most of their time is Wine starting programs, one at a time: two shards
# run side by side, one a core.
jobs=()
logs=()
for shard in 0 1; do
    log=$windows/e2e-$shard.log
    GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$shard "$host/tests/quillet_end_to_end_tests" >"$log" 2>&1 &
    jobs+=($!)
    logs+=("$log")
done
for job in "${jobs[@]}"; do wait "$job" || status=1; done
for shard in 0 1; do
    echo "quillet_end_to_end_tests, shard $shard of 2:"
    summarise "${logs[$shard]}"
done
if [ $status -ne 0 ]; then
    grep -B5 -A20 -E '^\[  FAILED|: Failure$' "${logs[@]}" | head -200
    exit 1
fi

echo "-- zip package"
(cd "$windows" && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows/CMakeCache.txt")
zip=$windows/quillet-$version-win64.zip
listed=$(cmake -E tar tf "$zip" | grep -v '/$' | sed "s|^quillet-$version-win64/||" | sort)
expected=$(sort <<'EOF'
bin/quillet.exe
bin/quillet-info.exe
bin/quillet-run.exe
bin/quillet-tape.exe
bin/libquillet.dll
lib/libquillet.dll.a
lib/libquillet.a
lib/cmake/quillet/quilletConfig.cmake
lib/cmake/quillet/quilletConfigVersion.cmake
lib/cmake/quillet/quilletTargets.cmake
lib/cmake/quillet/quilletTargets-relwithdebinfo.cmake
lib/pkgconfig/quillet.pc
include/quillet/quillet.h
include/quillet/quillet_layout.h
include/quillet/quillet_tools.h
doc/README.md
doc/LICENSE
doc/CHANGELOG.md
doc/quillet.txt
doc/quillet-info.txt
doc/quillet-run.txt
doc/quillet-tape.txt
doc/examples/checks.asm
doc/examples/checks.bin
doc/examples/ctypes_call.py
doc/examples/embed.c
doc/examples/frames.c
doc/examples/stripes.asm
doc/examples/stripes.bin
EOF
)
if [ "$listed" != "$expected" ]; then
    echo "FAIL: $zip holds other files than expected:"
    diff <(echo "$expected") <(echo "$listed") || true
    exit 1
fi
echo "$(basename "$zip"): $(wc -l <<<"$listed") files as expected"

# The documents are plain text with Windows line ends: no overstrikes
# (backspaces) in the manual pages, CRLF at the end of every line.
unpacked=$windows/zip-check
rm -rf "$unpacked" && mkdir "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
docs=$unpacked/quillet-$version-win64/doc
for text in quillet.txt quillet-info.txt quillet-run.txt quillet-tape.txt README.md LICENSE CHANGELOG.md; do
    if grep -q $'\b' "$docs/$text"; then
        echo "FAIL: doc/$text holds backspace overstrikes"
        exit 1
    fi
    lines=$(wc -l <"$docs/$text")
    crlf=$(grep -c $'\r$' "$docs/$text" || true)
    if [ "$lines" -eq 0 ] || [ "$crlf" -ne "$lines" ]; then
        echo "FAIL: doc/$text: $crlf of $lines lines end in CRLF"
        exit 1
    fi
done
rm -rf "$unpacked"
echo "documents in doc/: plain text, CRLF line ends"
