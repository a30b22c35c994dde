#!/bin/sh
# Installs what is missing, builds Ringtally and starts it on the device:
# $RINGTALLY_DEVICE, else $XDG_DATA_HOME/ringtally/device.db (normally
# ~/.local/share/ringtally/device.db). When there is no device yet, a demo
# phone (invented calls and messages of the year before now) is made there
# first; import your own backups into a device of your own (see README.md).
# Arguments go to the program: a device path of its own choosing instead
# (PATH or --device PATH), --help, or Qt's own options such as -platform.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target ringtally ringtally-device ringtally-tmail

device="${RINGTALLY_DEVICE:-${XDG_DATA_HOME:-$HOME/.local/share}/ringtally/device.db}"
if [ ! -e "$device" ]; then
  mkdir -p "$(dirname "$device")"
  build/tools/ringtally-device --device "$device" demo
fi
RINGTALLY_DEVICE="$device" exec build/app/ringtally "$@"
