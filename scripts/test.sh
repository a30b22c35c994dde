#!/bin/sh
# Installs what is missing, builds Ringtally and runs every test.
# RINGTALLY_SANITIZE=1 builds and tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/ instead.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ "${RINGTALLY_SANITIZE:-0}" = 1 ]; then
  build=build-sanitize
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRINGTALLY_SANITIZE=ON -DRINGTALLY_WERROR=ON -DRINGTALLY_BENCH=OFF
else
  build=build
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINGTALLY_WERROR=ON -DRINGTALLY_BENCH=ON
fi
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j 2
