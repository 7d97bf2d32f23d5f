#!/usr/bin/env bash
# Fails unless the plug-in's dynamic symbol table defines exactly the six exports.
set -euo pipefail

library="$1"
expected="KelPlugin_create
KelPlugin_destroy
KelPlugin_getKelPluginVersion
KelPlugin_loaded
KelPlugin_setCallbacks
KelPlugin_unloaded"

actual="$(nm -D --defined-only "$library" | awk '{ print $NF }' | sed 's/@.*//' | LC_ALL=C sort)"

if [[ "$actual" != "$expected" ]]; then
    echo "dynamic symbols of $library differ from the six exports:"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
echo "exactly the six exports: OK"
