#!/bin/sh
# Installs every package that building, running and testing Ringtally needs,
# from Debian's archive. Does nothing when they are all present.
set -eu

# The fourth line is for iPhone backups: property lists, hashing and
# decryption, and matching numbers written differently. The last line is for
# installing: the icon's PNG sizes (rsvg-convert), the Debian package
# (dpkg-shlibdeps), and the validators of the desktop entry, the AppStream
# metadata and the man pages.
PACKAGES="cmake ninja-build g++ pkg-config
qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins libqt6svg6 libgl-dev libexpat1-dev
libsqlite3-dev sqlite3 libgtest-dev libgmock-dev libbenchmark-dev
libplist-dev libssl-dev libphonenumber-dev
clang libclang-rt-14-dev time
fonts-dejavu-core xdg-utils
librsvg2-bin dpkg-dev desktop-file-utils appstream groff-base"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
elif command -v sudo >/dev/null 2>&1; then
  as_root="sudo"
else
  echo "install-deps: these packages are missing and neither root nor sudo is available:$missing" >&2
  exit 1
fi
echo "install-deps: installing$missing" >&2
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -q
# shellcheck disable=SC2086
$as_root apt-get install -y -q --no-install-recommends $missing
