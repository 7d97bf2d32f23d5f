#!/usr/bin/env bash
# Builds the plug-in and kelsvf, runs the worked example through kelsvf (three devices with IR
# lengths 6, 8 and 10, each written in turn) and shows the script and the SVF file it wrote.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

build="${KEL_BUILD_DIR:-build}"
jobs="${KEL_JOBS:-2}"

echo "=== build kelsvf and the plug-in in $build/"
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$jobs" --target kelsvf KelSvfFilePlugin

root="$(pwd)"
kelsvf="$(cd "$build" && pwd)/kelsvf"
demo="$build/demo"
mkdir -p "$demo"
echo
echo "=== the script: examples/worked-example.kel"
cat examples/worked-example.kel
echo
echo "=== kelsvf run examples/worked-example.kel (in $demo/)"
(cd "$demo" && "$kelsvf" run "$root/examples/worked-example.kel")
echo
echo "=== the SVF file it wrote: $demo/worked-example.svf"
tr -d '\r' < "$demo/worked-example.svf"
echo
if cmp -s "$demo/worked-example.svf" examples/worked-example.svf; then
    echo "=== identical to the checked-in examples/worked-example.svf"
else
    echo "=== DIFFERS from the checked-in examples/worked-example.svf"
    exit 1
fi
