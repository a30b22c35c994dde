#!/bin/sh
# Fuzzes the import of a whole file, the reference filter and the reader of
# an iPhone message's archived text with libFuzzer, SECONDS each (default
# 600), one after the other, from the seeds and the corpus of earlier runs. Builds with clang, the address and undefined
# behaviour sanitizers in BUILD_DIR (default build-fuzz). Inputs that fail
# are left there as fuzz_<target>-crash-*; copy one to tests/fuzz/seeds to
# keep it checked by every test run.
#
#   bench/fuzz.sh [SECONDS] [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
build=${2:-build-fuzz}
command -v clang++ >/dev/null 2>&1 ||
  { echo "fuzz: needs clang and libFuzzer (Debian packages clang and libclang-rt-14-dev)" >&2; exit 1; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DRINGTALLY_FUZZ=ON -DRINGTALLY_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_import fuzz_reference_filter fuzz_attributed_text

status=0
for target in import reference_filter attributed_text; do
  corpus="$build/tests/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for $seconds s"
  nice "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/tests/fuzz/fuzz_$target-" \
    "$corpus" tests/fuzz/seeds tests/data || status=1
done
[ "$status" -eq 0 ] && echo "fuzz: nothing found" || echo "fuzz: see the inputs left in $build/tests/fuzz" >&2
exit "$status"
