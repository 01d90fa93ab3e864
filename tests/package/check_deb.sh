#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks it:
# the control fields, the file list (dpkg-deb -c), that `cmake --install`
# lays out the same files (with LICENSE, CHANGELOG.md and the manual pages
# in Debian's form in the package), the copyright file and the change log,
# that the programs run from a scratch root the package was unpacked into
# (dpkg -x) without the shared C++ runtime, and that lintian finds no error.
# Usage: check_deb.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

programs=(quillet quillet-info)

(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log") || {
    cat "$scratch/cpack.log"
    exit 1
}
debs=("$scratch"/package/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FAIL: expected one .deb, got: ${debs[*]}"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Control fields.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == quillet ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', project $version"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"
# The programs link the C++ runtime statically: the C library is all they need.
[[ $(field Depends) == *libc6* ]] || fail "Depends lacks the C library: '$(field Depends)'"
[[ $(field Depends) != *libstdc++* && $(field Depends) != *libgcc* ]] ||
    fail "Depends names the C++ runtime, which the programs link statically: '$(field Depends)'"
for name in Maintainer Section Description; do
    [[ -n $(field "$name") ]] || fail "no $name field"
done

# File list: the programs, their manual pages and completions, the docs.
listing=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||' | grep -v '/$' | sort)
doc=usr/share/doc/quillet
expected=("$doc/README.md" "$doc/copyright" "$doc/changelog.gz" "$doc/examples/stripes.asm"
    "$doc/examples/stripes.bin")
for program in "${programs[@]}"; do
    expected+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz"
        "usr/share/bash-completion/completions/$program")
done
for path in "${expected[@]}"; do
    grep -qx "$path" <<<"$listing" || fail "package lacks $path"
done
extra=$(comm -23 <(echo "$listing") <(printf '%s\n' "${expected[@]}" | sort))
[[ -z $extra ]] || fail "package holds unexpected files:"$'\n'"$extra"

# cmake --install puts the same files under its prefix, with the licence,
# the change log and the manual pages as they are in the source tree.
cmake --install "$build" --prefix "$scratch/install/usr" >/dev/null
installed=$(cd "$scratch/install" && find . -type f | sed 's|^\./||' | sort)
as_packaged=$(sed -e "s|^$doc/LICENSE\$|$doc/copyright|" -e "s|^$doc/CHANGELOG.md\$|$doc/changelog.gz|" \
    -e 's|^\(usr/share/man/man1/.*\.1\)$|\1.gz|' <<<"$installed" | sort)
[[ $as_packaged == "$listing" ]] ||
    fail "cmake --install differs from the package:"$'\n'"$(diff <(echo "$as_packaged") <(echo "$listing"))"

# The unpacked programs run.
root=$scratch/root
dpkg -x "$deb" "$root"
status=0
usage=$("$root/usr/bin/quillet" -h </dev/null) || status=$?
[[ $status -eq 0 ]] || fail "quillet -h exited with $status"
grep -qx 'Usage: quillet \[options\]' <<<"$usage" || fail "quillet -h printed no usage line"
grep -qx '  hexadecimal (e.g. 0x1234)' <<<"$usage" || fail "quillet -h stopped before the number forms"

examples=$root/usr/share/doc/quillet/examples
"$root/usr/bin/quillet" -o "$scratch/stripes.zvk" -pack -mem 0 "$examples/stripes.bin" -reg PC 0 >/dev/null ||
    fail "the unpacked quillet could not build the example snapshot"
"$root/usr/bin/quillet-info" "$scratch/stripes.zvk" >/dev/null ||
    fail "the unpacked quillet-info could not read the example snapshot"

for program in "${programs[@]}"; do
    bash -c "source '$root/usr/share/bash-completion/completions/$program' && complete -p '$program'" >/dev/null ||
        fail "the completion file of $program registers no completion"
    gzip -dc "$root/usr/share/man/man1/$program.1.gz" | groff -man -Tutf8 -ww -z 2>&1 | grep . &&
        fail "man page of $program warns"
    needed=$(readelf -d "$root/usr/bin/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    grep -q '^libc\.so' <<<"$needed" || fail "readelf shows no NEEDED entries for $program"
    grep -E '^lib(stdc\+\+|gcc_s)\.' <<<"$needed" && fail "$program links the C++ runtime as a shared library"
done

# The copyright file: Debian's machine-readable format, with the copyright
# line and every word of the permission text of LICENSE.
copyright=$root/$doc/copyright
head -n1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright does not start with the machine-readable format's URL"
holder=$(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")
grep -qx "Copyright: $holder" "$copyright" || fail "copyright lacks 'Copyright: $holder'"
terms_in_license=$(sed -n '/^Permission is hereby granted/,$p' "$source_dir/LICENSE")
terms_in_copyright=$(awk '/^License: Expat$/ { body = 1; next }
    body && /^ / { print; found = 1; next }
    body { if (found) exit; body = 0 }' "$copyright" | sed -e 's/^ \.$//' -e 's/^ //')
[[ $terms_in_copyright == "$terms_in_license" ]] ||
    fail "the licence text in copyright differs from LICENSE:"$'\n'"$(diff <(echo "$terms_in_license") <(echo "$terms_in_copyright"))"

# The change log: one Debian entry per released version of CHANGELOG.md,
# newest first.
released=$(sed -n 's/^## \[\([0-9][^]]*\)\] - .*/\1/p' "$source_dir/CHANGELOG.md")
entries=$(gzip -dc "$root/$doc/changelog.gz" | sed -n 's/^quillet (\([^)]*\)) unstable; urgency=medium$/\1/p')
[[ -n $released && $entries == "$released" ]] ||
    fail "changelog.gz has the versions '${entries//$'\n'/ }', CHANGELOG.md '${released//$'\n'/ }'"

# lintian: no error (warnings and notes are printed for the reader).
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" 2>&1 | grep -v 'running with root privileges' || true
    lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"
else
    fail "lintian is not installed (Debian package lintian)"
fi

if ((failures > 0)); then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "package checks passed"
