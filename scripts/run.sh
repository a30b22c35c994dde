#!/bin/sh
# Installs what is missing, builds Ringtally and starts it on its demo
# device: an invented phone kept apart from your own calls, at
# $XDG_DATA_HOME/ringtally/demo.db (normally ~/.local/share/ringtally/demo.db),
# made first when it is not there yet. Your own device, into which your
# backups are imported, is never touched; start build/app/ringtally without
# this script to see it (see README.md, "First steps"). Arguments go to the
# program: --help, or Qt's own options such as -platform.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target ringtally ringtally-device ringtally-tmail

demo="${XDG_DATA_HOME:-$HOME/.local/share}/ringtally/demo.db"
if [ ! -e "$demo" ]; then
  build/tools/ringtally-device --device "$demo" demo
fi
RINGTALLY_DEVICE="$demo" exec build/app/ringtally "$@"
