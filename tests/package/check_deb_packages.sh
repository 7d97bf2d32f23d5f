#!/usr/bin/env bash
# The Debian packages and the install components they are made of. For each component:
# "cmake --install --component C --strip" into a DESTDIR, and "cpack -G DEB" must give the same
# files, exactly the expected ones; every package depends on the runtime package of its own
# version; no file is in two packages; the packaged binaries carry no debug information (it is
# in the -dbgsym packages); and the packaged kelsvf runs with the packaged plug-in.
#
#   check_deb_packages.sh BUILD_DIR SOURCE_DIR PROJECT_VERSION
# Exits 77 (skipped) where dpkg-deb, cpack or readelf is missing.
set -euo pipefail

build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
version=$3

for tool in dpkg-deb cpack readelf; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is not installed: skipped"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The files of each component, as patterns of paths below the root.
libdir='usr/lib(/[^/]+)?'
runtime_files=(
    "$libdir/libKelSvfFilePlugin\.so"
    "usr/share/doc/KelSvfFilePlugin/LICENSE"
)
development_files=(
    "usr/include/kel/KelPluginBoundary\.h"
    "usr/include/kel/KelPlugin\.h"
    "usr/include/kel/KelSvfFilePluginVersion\.h"
    "usr/include/kel/[A-Za-z]+\.h"
    "$libdir/cmake/KelSvfFilePlugin/KelSvfFilePluginConfig\.cmake"
    "$libdir/cmake/KelSvfFilePlugin/KelSvfFilePluginConfigVersion\.cmake"
    "$libdir/pkgconfig/KelSvfFilePlugin\.pc"
)
tools_files=(
    "usr/bin/kelsvf"
    "usr/share/man/man1/kelsvf\.1"
    "usr/share/bash-completion/completions/kelsvf"
)
declare -A package_of=([runtime]=libkelsvffileplugin [development]=libkelsvffileplugin-dev
    [tools]=kelsvf)

# check_files WHAT LISTING PATTERN...: every pattern matches a file of the listing, and every
# file matches a pattern.
check_files() {
    local what=$1 listing=$2 pattern file matched
    shift 2
    for pattern in "$@"; do
        grep -Eq "^($pattern)\$" "$listing" || fail "$what lacks $pattern"
    done
    while IFS= read -r file; do
        matched=0
        for pattern in "$@"; do
            [[ $file =~ ^($pattern)$ ]] && matched=1
        done
        ((matched)) || fail "$what holds $file, which belongs elsewhere"
    done <"$listing"
}

# has_debug_info FILE: the ELF file has a .debug_info section. (readelf complains about the
# program interpreter of a split-off .debug file, which has only the headers of the code.)
has_debug_info() {
    local sections
    sections=$(readelf -S --wide "$1" 2>/dev/null) || true
    if [[ $sections != *" .text "* ]]; then
        fail "readelf cannot read the sections of ${1#"$work"/}"
        return 1
    fi
    [[ $sections == *" .debug_info "* ]]
}

echo "== cpack -G DEB"
if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/packages" \
    >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi

for component in runtime development tools; do
    package=${package_of[$component]}
    patterns_name="${component}_files[@]"
    patterns=("${!patterns_name}")
    echo "== $component: $package"

    # A component install of the build, stripped, as a distribution builds its packages.
    DESTDIR="$work/$component" cmake --install "$build_dir" --component "$component" \
        --prefix /usr --strip >/dev/null
    (cd "$work/$component" && find . ! -type d | sed 's|^\./||' | sort) >"$work/$component.install"
    check_files "component $component" "$work/$component.install" "${patterns[@]}"

    deb=("$work/packages/${package}_${version}_"*.deb)
    if [[ ! -f ${deb[0]} ]]; then
        fail "no package ${package}_${version}_*.deb"
        continue
    fi
    dpkg-deb --fsys-tarfile "${deb[0]}" | tar -t | grep -v '/$' | sed 's|^\./||' | sort \
        >"$work/$component.deb"
    check_files "$package" "$work/$component.deb" "${patterns[@]}"
    diff -u "$work/$component.install" "$work/$component.deb" ||
        fail "$package and the $component component differ"
    echo "files of $(basename "${deb[0]}"):"
    sed 's/^/  /' "$work/$component.deb"

    if [[ $component != runtime ]]; then
        depends=$(dpkg-deb -f "${deb[0]}" Depends)
        [[ $depends == *"libkelsvffileplugin (= $version)"* ]] ||
            fail "$package does not depend on libkelsvffileplugin (= $version): $depends"
    fi
    dpkg-deb -x "${deb[0]}" "$work/root"
done

echo "== no file in two packages"
duplicates=$(sort "$work"/*.deb | uniq -d)
[[ -z $duplicates ]] || fail "in two packages: $duplicates"

echo "== binaries without debug information; it is in the -dbgsym packages"
binaries=0
while IFS= read -r binary; do
    binaries=$((binaries + 1))
    ! has_debug_info "$binary" || fail "${binary#"$work"/} has debug information"
done < <(find "$work/root" "$work/runtime" "$work/tools" -type f \
    \( -name libKelSvfFilePlugin.so -o -path '*/bin/kelsvf' \))
((binaries == 4)) || fail "found $binaries packaged or installed binaries, expected 4"
for package in libkelsvffileplugin kelsvf; do
    ddeb=("$work/packages/${package}-dbgsym_${version}_"*.ddeb)
    if [[ ! -f ${ddeb[0]} ]]; then
        fail "no package ${package}-dbgsym_${version}_*.ddeb"
        continue
    fi
    rm -rf "$work/dbgsym"
    dpkg-deb -x "${ddeb[0]}" "$work/dbgsym"
    debug_file=$(find "$work/dbgsym/usr/lib/debug/.build-id" -name '*.debug' | head -n 1)
    [[ -n $debug_file ]] && has_debug_info "$debug_file" ||
        fail "${package}-dbgsym holds no debug information"
done

echo "== the packaged kelsvf runs the worked example with the packaged plug-in"
(cd "$work" && "$work/root/usr/bin/kelsvf" run "$source_dir/examples/worked-example.kel")
cmp "$work/worked-example.svf" "$source_dir/examples/worked-example.svf" ||
    fail "the packaged kelsvf wrote another SVF"

if ((failures > 0)); then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "packages OK"
