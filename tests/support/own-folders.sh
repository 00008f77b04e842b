#!/bin/sh
# Runs one test suite with a home, XDG folders and a temporary folder of its own,
# empty at its start and removed at its end, so that suites running side by side
# (ctest -j, or several builds on one machine) never meet in the user's folders or
# in /tmp. The folder is the suite's temporary folder too, and its name is short:
# socket paths made under it (Chromium's among them) must stay within the
# system's limit on their length.
# Usage: own-folders.sh <test program> [arguments...]
set -eu
root=$(mktemp -d "${TMPDIR:-/tmp}/pl-XXXXXX")
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/state" "$root/runtime"
# Open to other users like /tmp itself: some suites hand a folder in it to
# another user id; the runtime folder must be the owner's alone.
chmod 755 "$root"
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/config"
export XDG_DATA_HOME="$root/data"
export XDG_CACHE_HOME="$root/cache"
export XDG_STATE_HOME="$root/state"
export XDG_RUNTIME_DIR="$root/runtime"
export TMPDIR="$root"
status=0
"$@" || status=$?
rm -rf "$root"
exit "$status"
