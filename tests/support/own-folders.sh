#!/bin/sh
# Runs one test suite with a home and XDG folders of its own, empty at its start,
# so that suites running side by side (ctest -j) never meet in the user's folders
# (Qt's test mode keeps its own under the home folder).
# Usage: own-folders.sh <folder> <test program> [arguments...]
set -eu
root=$1
shift
rm -rf "$root"
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/state" "$root/runtime"
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/config"
export XDG_DATA_HOME="$root/data"
export XDG_CACHE_HOME="$root/cache"
export XDG_STATE_HOME="$root/state"
export XDG_RUNTIME_DIR="$root/runtime"
exec "$@"
