#!/usr/bin/env bash
# Builds the Debian packages from a configured and built tree and checks
# them. There are three, one per install component:
#   quillet         (tools)        the programs, manual pages, completions,
#                                  documents and examples
#   libquillet1     (runtime)      the shared library
#   libquillet-dev  (development)  header, static library, libquillet.so,
#                                  CMake and pkg-config files
# Checked: the control fields with each package's Depends; the shared
# library's shlibs and ldconfig trigger and that no package has maintainer
# scripts; each file list (dpkg-deb -c) against its own list and against
# `cmake --install --component` (with LICENSE, CHANGELOG.md and the manual
# pages in Debian's form, and a copyright file and changelog.gz in every
# package's doc dir), and that the components together are the whole
# install; the copyright files and the change logs; that the programs run
# from a scratch root holding only the unpacked quillet (dpkg -x) without
# the shared C++ runtime; that examples/embed.c builds against a scratch
# root holding only libquillet-dev and libquillet1, with pkg-config and
# with find_package, and writes quillet's snapshot byte for byte; and that
# lintian finds no error in any of the three.
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

programs=(quillet quillet-info quillet-run quillet-tape)
packages=(quillet libquillet1 libquillet-dev)
declare -A component=([quillet]=tools [libquillet1]=runtime [libquillet-dev]=development)

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
libdir=usr/$(cache CMAKE_INSTALL_LIBDIR)
arch=$(dpkg --print-architecture)

(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log") || {
    cat "$scratch/cpack.log"
    exit 1
}
made=$(find "$scratch/package" -maxdepth 1 -name '*.deb' -printf '%f\n' | sort)
wanted=$(for package in "${packages[@]}"; do echo "${package}_${version}_$arch.deb"; done | sort)
[[ $made == "$wanted" ]] || { echo "FAIL: expected the packages"$'\n'"$wanted"$'\n'"got"$'\n'"$made"; exit 1; }
declare -A deb
for package in "${packages[@]}"; do
    deb[$package]=$scratch/package/${package}_${version}_$arch.deb
done
echo "packages: $(tr '\n' ' ' <<<"$made")"

# Control fields.
field() { dpkg-deb -f "${deb[$1]}" "$2"; }
# The package names of a Depends field, one a line.
depends_names() { field "$1" Depends | tr ',' '\n' | sed -e 's/(.*)//' -e 's/[[:space:]]//g' | grep . | sort; }
for package in "${packages[@]}"; do
    [[ $(field "$package" Package) == "$package" ]] || fail "$package: Package is '$(field "$package" Package)'"
    [[ $(field "$package" Version) == "$version" ]] ||
        fail "$package: Version is '$(field "$package" Version)', project $version"
    [[ $(field "$package" Architecture) == "$arch" ]] ||
        fail "$package: Architecture is '$(field "$package" Architecture)'"
    for name in Maintainer Section Description Depends; do
        [[ -n $(field "$package" "$name") ]] || fail "$package: no $name field"
    done
    echo "$package Depends: $(field "$package" Depends)"
done
[[ $(field libquillet1 Section) == libs ]] || fail "libquillet1: Section is '$(field libquillet1 Section)', not libs"
[[ $(field libquillet-dev Section) == libdevel ]] ||
    fail "libquillet-dev: Section is '$(field libquillet-dev Section)', not libdevel"
# The programs link the C++ runtime statically and the library not at all:
# the C library is all they need.
[[ $(depends_names quillet) == libc6 ]] || fail "quillet: Depends is '$(field quillet Depends)', not the C library alone"
# The development files go with the shared library of their own version.
[[ $(field libquillet-dev Depends) == "libquillet1 (= $version)" ]] ||
    fail "libquillet-dev: Depends is '$(field libquillet-dev Depends)', not 'libquillet1 (= $version)'"

# Control files: the shared library tells dpkg-shlibdeps its package and
# has ldconfig run by a trigger; no package runs maintainer scripts.
control_files() { dpkg-deb --ctrl-tarfile "${deb[$1]}" | tar -t | sed 's|^\./||' | grep -v '^$' | sort; }
for package in "${packages[@]}"; do
    scripts=$(control_files "$package" | grep -E '^(pre|post)(inst|rm)$' || true)
    [[ -z $scripts ]] || fail "$package has maintainer scripts: ${scripts//$'\n'/ }"
done
[[ $(control_files libquillet1 | tr '\n' ' ') == "control md5sums shlibs triggers " ]] ||
    fail "libquillet1's control files are: $(control_files libquillet1 | tr '\n' ' ')"
dpkg-deb -e "${deb[libquillet1]}" "$scratch/control"
[[ $(cat "$scratch/control/shlibs") == "libquillet 1 libquillet1 (>= $version)" ]] ||
    fail "libquillet1's shlibs is '$(cat "$scratch/control/shlibs")'"
[[ $(cat "$scratch/control/triggers") == "activate-noawait ldconfig" ]] ||
    fail "libquillet1's triggers is '$(cat "$scratch/control/triggers")'"

# File lists (symbolic links by their own names).
listing() { dpkg-deb -c "${deb[$1]}" | awk '{print $6}' | sed 's|^\./||' | grep -v '/$' | sort; }
# Checks that package $1 holds exactly the files named after it.
expect_files() {
    local package=$1 path have
    shift
    have=$(listing "$package")
    for path in "$@"; do
        grep -qxF "$path" <<<"$have" || fail "$package lacks $path"
    done
    extra=$(comm -23 <(echo "$have") <(printf '%s\n' "$@" | sort))
    [[ -z $extra ]] || fail "$package holds unexpected files:"$'\n'"$extra"
}
doc=usr/share/doc/quillet
tools_files=("$doc/README.md" "$doc/copyright" "$doc/changelog.gz" "$doc/examples/stripes.asm"
    "$doc/examples/stripes.bin" "$doc/examples/checks.asm" "$doc/examples/checks.bin" "$doc/examples/embed.c"
    "$doc/examples/frames.c" "$doc/examples/ctypes_call.py")
for program in "${programs[@]}"; do
    tools_files+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz"
        "usr/share/bash-completion/completions/$program")
done
expect_files quillet "${tools_files[@]}"
expect_files libquillet1 "$libdir/libquillet.so.1" "$libdir/libquillet.so.$version" \
    usr/share/doc/libquillet1/copyright usr/share/doc/libquillet1/changelog.gz
# The imported targets' file for the build type is named after it.
cmake_dir=$libdir/cmake/quillet
targets_of_build_type=$(listing libquillet-dev | grep -x "$cmake_dir/quilletTargets-[a-z]*\.cmake" || true)
[[ -n $targets_of_build_type ]] || fail "libquillet-dev lacks $cmake_dir/quilletTargets-<build type>.cmake"
expect_files libquillet-dev usr/include/quillet/quillet.h usr/include/quillet/quillet_layout.h \
    usr/include/quillet/quillet_tools.h "$libdir/libquillet.so" "$libdir/libquillet.a" \
    "$libdir/pkgconfig/quillet.pc" "$cmake_dir/quilletConfig.cmake" "$cmake_dir/quilletConfigVersion.cmake" \
    "$cmake_dir/quilletTargets.cmake" ${targets_of_build_type:+"$targets_of_build_type"} \
    usr/share/doc/libquillet-dev/copyright usr/share/doc/libquillet-dev/changelog.gz

# cmake --install of each component puts the same files under its prefix,
# with the licence, the change log and the manual pages as they are in the
# source tree and without the copyright file and change log of the
# packages that have no documents of their own.
installed_files() { (cd "$1" && find . ! -type d | sed 's|^\./||' | sort); }
all_components=""
for package in "${packages[@]}"; do
    prefix=$scratch/install/${component[$package]}
    cmake --install "$build" --component "${component[$package]}" --prefix "$prefix/usr" >/dev/null
    installed=$(installed_files "$prefix")
    all_components+=$installed$'\n'
    as_packaged=$( (grep -vx -e "$doc/LICENSE" -e "$doc/CHANGELOG.md" <<<"$installed" |
        sed 's|^\(usr/share/man/man1/.*\.1\)$|\1.gz|'
        echo "usr/share/doc/$package/copyright"
        echo "usr/share/doc/$package/changelog.gz") | sort)
    [[ $as_packaged == "$(listing "$package")" ]] ||
        fail "cmake --install --component ${component[$package]} differs from $package:"$'\n'"$(diff <(echo "$as_packaged") <(listing "$package"))"
done
# A file of no component would be in none of the packages.
cmake --install "$build" --prefix "$scratch/install/all/usr" >/dev/null
whole=$(installed_files "$scratch/install/all")
[[ $whole == "$(grep . <<<"$all_components" | sort)" ]] ||
    fail "the components together differ from the whole install:"$'\n'"$(diff <(echo "$whole") <(grep . <<<"$all_components" | sort))"

# The unpacked programs run, with nothing but the quillet package.
root=$scratch/tools
dpkg -x "${deb[quillet]}" "$root"
status=0
usage=$("$root/usr/bin/quillet" -h </dev/null) || status=$?
[[ $status -eq 0 ]] || fail "quillet -h exited with $status"
grep -qx 'Usage: quillet \[options\]' <<<"$usage" || fail "quillet -h printed no usage line"
grep -qx '  hexadecimal (e.g. 0x1234)' <<<"$usage" || fail "quillet -h stopped before the number forms"

examples=$root/$doc/examples
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
    grep -E '^lib(stdc\+\+|gcc_s|quillet)\.' <<<"$needed" &&
        fail "$program links the C++ runtime or libquillet as a shared library"
done

# The library packages, unpacked together and without quillet. The shared
# library's package is named after its SONAME, and its Depends name the
# package of every library it needs.
lib_root=$scratch/library
dpkg -x "${deb[libquillet1]}" "$lib_root"
dpkg -x "${deb[libquillet-dev]}" "$lib_root"
shared=$lib_root/$libdir/libquillet.so.$version
soname=$(readelf -d "$shared" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == libquillet.so.1 ]] || fail "the packaged library's SONAME is '$soname'"
[[ $(readlink "$lib_root/$libdir/libquillet.so.1") == "libquillet.so.$version" ]] ||
    fail "libquillet.so.1 does not point to libquillet.so.$version"
[[ $(readlink "$lib_root/$libdir/libquillet.so") == libquillet.so.1 ]] ||
    fail "libquillet.so does not point to libquillet.so.1"
for needed in $(readelf -d "$shared" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    case $needed in
        libc.so.6 | libm.so.6) needed_package=libc6 ;;
        libstdc++.so.6) needed_package=libstdc++6 ;;
        libgcc_s.so.1) needed_package=libgcc-s1 ;;
        *) needed_package="" ;;
    esac
    if [[ -z $needed_package ]]; then
        fail "libquillet needs $needed, which this check knows no package of"
    elif ! grep -qxF "$needed_package" <(depends_names libquillet1); then
        fail "libquillet1's Depends lacks $needed_package (for $needed): '$(field libquillet1 Depends)'"
    fi
done

# The example program, from the quillet package, built with pkg-config
# against the unpacked library packages (quillet.pc finds its prefix from
# where it lies), links the shared library, finds it there and writes the
# snapshot that the unpacked quillet wrote above.
export PKG_CONFIG_PATH=$lib_root/$libdir/pkgconfig
[[ $(pkg-config --modversion quillet) == "$version" ]] ||
    fail "pkg-config gives the version '$(pkg-config --modversion quillet)'"
include_dir=$(pkg-config --cflags-only-I quillet | sed 's/^ *-I//; s/ *$//')
[[ $(realpath "$include_dir") == "$(realpath "$lib_root/usr/include")" ]] ||
    fail "pkg-config's include dir '$include_dir' is not the unpacked usr/include"
# shellcheck disable=SC2046  # pkg-config's flags are separate words
if "${CC:-cc}" -std=c99 -Wall -Wextra -Wpedantic -Werror "$examples/embed.c" \
    $(pkg-config --cflags --libs quillet) -o "$scratch/embed" 2>"$scratch/cc.log"; then
    readelf -d "$scratch/embed" | grep -q '(NEEDED).*\[libquillet\.so\.1\]' ||
        fail "embed does not link libquillet.so.1"
    loaded=$(LD_LIBRARY_PATH=$lib_root/$libdir ldd "$scratch/embed" | sed -n 's/^[[:space:]]*libquillet\.so\.1 => \([^ ]*\).*/\1/p')
    [[ -n $loaded && $(realpath "$loaded") == "$(realpath "$shared")" ]] ||
        fail "embed loads libquillet.so.1 from '$loaded', not from the unpacked package"
    if LD_LIBRARY_PATH=$lib_root/$libdir "$scratch/embed" "$scratch/embed.zvk"; then
        cmp "$scratch/stripes.zvk" "$scratch/embed.zvk" ||
            fail "embed (pkg-config) wrote other bytes than quillet"
    else
        fail "embed (pkg-config) failed"
    fi
else
    fail "embed.c does not build with pkg-config against the packages:"$'\n'"$(cat "$scratch/cc.log")"
fi

# The same through find_package(quillet) from the unpacked tree.
if cmake -S "$source_dir/tests/package/consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$lib_root/usr" \
    -DEMBED_SOURCE="$examples/embed.c" >"$scratch/consumer.log" 2>&1 &&
    cmake --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1; then
    if LD_LIBRARY_PATH=$lib_root/$libdir "$scratch/consumer/embed" "$scratch/consumer.zvk"; then
        cmp "$scratch/stripes.zvk" "$scratch/consumer.zvk" ||
            fail "embed (find_package) wrote other bytes than quillet"
    else
        fail "embed (find_package) failed"
    fi
else
    fail "embed.c does not build with find_package against the packages:"$'\n'"$(cat "$scratch/consumer.log")"
fi

# The copyright file: Debian's machine-readable format, with the copyright
# line and every word of the permission text of LICENSE; the same in every
# package.
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
# newest first; the same in every package.
released=$(sed -n 's/^## \[\([0-9][^]]*\)\] - .*/\1/p' "$source_dir/CHANGELOG.md")
entries=$(gzip -dc "$root/$doc/changelog.gz" | sed -n 's/^quillet (\([^)]*\)) unstable; urgency=medium$/\1/p')
[[ -n $released && $entries == "$released" ]] ||
    fail "changelog.gz has the versions '${entries//$'\n'/ }', CHANGELOG.md '${released//$'\n'/ }'"
for package in libquillet1 libquillet-dev; do
    cmp -s "$copyright" "$lib_root/usr/share/doc/$package/copyright" ||
        fail "$package's copyright differs from quillet's"
    cmp -s "$root/$doc/changelog.gz" "$lib_root/usr/share/doc/$package/changelog.gz" ||
        fail "$package's changelog.gz differs from quillet's"
done

# lintian: no error in any package (warnings and notes are printed for the
# reader).
if command -v lintian >/dev/null; then
    lintian_status=0
    lintian --fail-on error "${deb[@]}" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
    grep -v 'running with root privileges' "$scratch/lintian.log" || true
    [[ $lintian_status -eq 0 ]] || fail "lintian reports errors"
else
    fail "lintian is not installed (Debian package lintian)"
fi

if ((failures > 0)); then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "package checks passed"
