#!/usr/bin/env bash
# Builds a project that adds this source tree with add_subdirectory and links
# KelSvfFilePlugin::headers; runs its host against KelSvfFilePlugin::plugin (it must write the
# checked-in SVF) and checks the version header against the project version.
#
#   check_subdirectory_consumer.sh SOURCE_DIR CXX PROJECT_VERSION
set -euo pipefail

source_dir=$(cd "$1" && pwd)
cxx=$2
version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build="$work/build"

# run_logged LOG COMMAND...: the command's output goes to LOG, shown only when it fails.
run_logged() {
    local log=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        cat "$log"
        return 1
    fi
}

echo "== configure and build the consumer"
run_logged "$work/configure.log" cmake -S "$source_dir/tests/package/subdirectory_consumer" \
    -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release \
    -DKEL_SOURCE_DIR="$source_dir"
run_logged "$work/build.log" cmake --build "$build" -j 2

echo "== the host loads KelSvfFilePlugin::plugin"
plugin=$(cat "$build/plugin-path.txt")
case "$plugin" in "$build"/*) ;; *) echo "plug-in outside the consumer's build: $plugin"; exit 1 ;; esac
"$build/consumer" "$plugin" "$work/host_example.svf"
cmp "$work/host_example.svf" "$source_dir/examples/host_example.svf"

echo "== kel/KelSvfFilePluginVersion.h says $version"
IFS=. read -r major minor patch <<<"$version"
minor=${minor:-0}
patch=${patch:-0}
expected="$major.$minor.$patch $major.$minor.$patch $((major * 10000 + minor * 100 + patch))"
got=$("$build/print_version")
if [[ $got != "$expected" ]]; then
    echo "version macros: '$got', expected '$expected'"
    exit 1
fi
echo "add_subdirectory consumer OK"
