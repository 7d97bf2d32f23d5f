#!/usr/bin/env bash
# Installs the built project into a temporary prefix, then builds the host example against the
# installed package twice (find_package, pkg-config) and runs each build and the installed
# kelsvf. Every run must write the checked-in SVF.
#
#   check_installed_package.sh BUILD_DIR SOURCE_DIR CXX [EXTRA_CXX_FLAGS]
set -euo pipefail

build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
cxx=$3
extra_flags=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
expected="$source_dir/examples/host_example.svf"

step() { echo "== $*"; }

step "install into $prefix"
cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log"

step "find_package(KelSvfFilePlugin CONFIG)"
cmake -S "$source_dir/tests/kelsvf/consumer" -B "$work/cmake" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$extra_flags" -DCMAKE_BUILD_TYPE=Release > "$work/configure.log"
cmake --build "$work/cmake" -j 2 > "$work/build.log"
plugin=$(cat "$work/cmake/plugin-variable-path.txt")
target_plugin=$(cat "$work/cmake/plugin-target-path.txt")
if [[ "$plugin" != "$target_plugin" ]]; then
    echo "KelSvfFilePlugin_PLUGIN ($plugin) and KelSvfFilePlugin::plugin ($target_plugin) differ"
    exit 1
fi
case "$plugin" in "$prefix"/*) ;; *) echo "plug-in outside the prefix: $plugin"; exit 1 ;; esac
"$work/cmake/consumer" "$plugin" "$work/find_package.svf"
cmp "$work/find_package.svf" "$expected"

step "pkg-config KelSvfFilePlugin"
pc_file=$(find "$prefix" -name KelSvfFilePlugin.pc)
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$pc_file")
# shellcheck disable=SC2046,SC2086 # the flags are lists of words
"$cxx" -std=c++20 $extra_flags $(pkg-config --cflags KelSvfFilePlugin) \
    "$source_dir/examples/host_example.cpp" -o "$work/pkg-config-consumer" \
    $(pkg-config --libs KelSvfFilePlugin)
"$work/pkg-config-consumer" "$(pkg-config --variable=plugin KelSvfFilePlugin)" \
    "$work/pkg-config.svf"
cmp "$work/pkg-config.svf" "$expected"

step "the installed kelsvf finds the installed plug-in"
(cd "$work" && "$prefix/bin/kelsvf" run "$source_dir/examples/worked-example.kel")
cmp "$work/worked-example.svf" "$source_dir/examples/worked-example.svf"

echo "installed package OK"
