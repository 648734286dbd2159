#!/bin/sh
# isolated-test.sh <folder> <program> [arguments...]
# Runs one test program in folders of its own: a fresh home, configuration, data, cache,
# runtime and temporary folder under <folder>, emptied first. Test programs run two at a time
# and the settings store, Qt's test-mode locations and every temporary file follow these, so
# no program sees another's settings or leftovers.
set -eu
root=$1
shift
rm -rf "$root"
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/runtime" "$root/tmp"
chmod 700 "$root/runtime"
HOME=$root/home
XDG_CONFIG_HOME=$root/config
XDG_DATA_HOME=$root/data
XDG_CACHE_HOME=$root/cache
XDG_RUNTIME_DIR=$root/runtime
TMPDIR=$root/tmp
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR TMPDIR
exec "$@"
