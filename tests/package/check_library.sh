#!/usr/bin/env bash
# Checks the installed library: the shared library exports its public
# interface only and never touches the console; the example consumer
# examples/embed.c builds against the installed tree with the C compiler
# alone, with pkg-config and through find_package(quillet), each with the
# shared and the static library, and every build writes quillet's snapshot
# of the same build, byte for byte. The installed tree is under a scratch
# prefix, which the dynamic loader does not search: a pkg-config build
# starts only with LD_LIBRARY_PATH or with the README's -Wl,-rpath line,
# and a find_package build (CMake's build RPATH) starts as it is.
# Usage: check_library.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libquillet.so.1' | head -1)")
export PKG_CONFIG_PATH="$libdir/pkgconfig"
unset LD_LIBRARY_PATH

exported=$(nm -D --defined-only "$libdir/libquillet.so.1" | awk '$2 ~ /^[TDBRVWi]$/ {print $3}' | grep -v '^quillet_' || true)
[[ -z $exported ]] || { echo "FAIL: libquillet exports more than its interface:"; echo "$exported"; exit 1; }
console=$(nm -D --undefined-only "$libdir/libquillet.so.1" | grep -E 'stdout|stderr|stdin|printf|puts|putc|getc' || true)
[[ -z $console ]] || { echo "FAIL: libquillet uses the console:"; echo "$console"; exit 1; }
echo "libquillet exports $(nm -D --defined-only "$libdir/libquillet.so.1" | grep -c ' quillet_') quillet_ functions and nothing else"

# Every installed header compiles on its own as C.
for header in "$prefix"/include/quillet/*.h; do
    # shellcheck disable=SC2046
    echo "#include <quillet/$(basename "$header")>" |
        "${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror -fsyntax-only $(pkg-config --cflags quillet) -x c - ||
        { echo "FAIL: $(basename "$header") does not compile alone"; exit 1; }
done
echo "every installed header compiles alone: $(cd "$prefix/include/quillet" && echo *.h)"

"$build/quillet" -o "$work/expected.zvk" -pack -mem 0 "$source/examples/stripes.bin" -reg PC 0 >/dev/null

# shellcheck disable=SC2046  # pkg-config's flags are separate words
"${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror "$source/examples/embed.c" \
    $(pkg-config --cflags --libs quillet) -o "$work/embed-pkg-config"
if "$work/embed-pkg-config" "$work/pkg-config.zvk" 2>"$work/loader.log" ||
    ! grep -q 'libquillet.so.1: cannot open shared object file' "$work/loader.log"; then
    echo "FAIL: the pkg-config build did not need the library's directory:"
    cat "$work/loader.log"
    exit 1
fi
LD_LIBRARY_PATH=$(pkg-config --variable=libdir quillet) "$work/embed-pkg-config" "$work/pkg-config.zvk"
cmp "$work/expected.zvk" "$work/pkg-config.zvk"
echo "pkg-config build writes quillet's bytes, started with LD_LIBRARY_PATH"

# The README's line that builds the library's directory into the program.
rpath_line=$(grep -m1 '^cc examples/embed.c .*-Wl,-rpath,' "$source/README.md") ||
    { echo "FAIL: the README shows no -Wl,-rpath build of embed.c"; exit 1; }
mkdir "$work/rpath"
ln -s "$source/examples" "$work/rpath/examples"
(cd "$work/rpath" && bash -c "$rpath_line")
cmp "$work/expected.zvk" "$work/rpath/stripes.zvk"
echo "the README's -Wl,-rpath build starts as it is and writes quillet's bytes"

# The static library with what pkg-config --static adds for it (the C++
# runtime); the shared library moved away, so that it cannot be taken.
mkdir "$work/static"
cp "$libdir/libquillet.a" "$work/static/"
# shellcheck disable=SC2046
"${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror "$source/examples/embed.c" \
    $(pkg-config --cflags quillet) -L"$work/static" $(pkg-config --static --libs-only-l quillet) \
    -o "$work/embed-static"
"$work/embed-static" "$work/static.zvk"
cmp "$work/expected.zvk" "$work/static.zvk"
echo "pkg-config --static build writes quillet's bytes"

cmake -S "$source/tests/package/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DEMBED_SOURCE="$source/examples/embed.c" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/embed" "$work/find-package.zvk"
cmp "$work/expected.zvk" "$work/find-package.zvk"
"$work/consumer/embed_static" "$work/find-package-static.zvk"
cmp "$work/expected.zvk" "$work/find-package-static.zvk"
! ldd "$work/consumer/embed_static" | grep -q libquillet || { echo "FAIL: embed_static loads libquillet"; exit 1; }
echo "find_package builds, shared and static, write quillet's bytes"

# A failure comes back as quillet's exit status and message.
if "$work/consumer/embed" "$work/missing/out.zvk" 2>"$work/errors"; then
    echo "FAIL: writing into a missing directory succeeded"
    exit 1
else
    status=$?
fi
[[ $status -eq 10 ]] || { echo "FAIL: status $status, not 10"; exit 1; }
grep -Fxq "embed: Can't open output file '$work/missing/out.zvk'!" "$work/errors" ||
    { echo "FAIL: unexpected message: $(cat "$work/errors")"; exit 1; }
echo "failures keep quillet's status and message"
