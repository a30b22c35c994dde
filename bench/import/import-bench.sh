#!/bin/sh
# Import benchmark: generates a calls backup and a messages backup of about
# MEGABYTES (default 300) together, with MMS media, imports them into a new
# device store, then once more (every record a duplicate), and reports MB/s,
# records/s and the peak resident memory of each run.
#
#   bench/import/import-bench.sh [BUILD_DIR] [MEGABYTES]
#
# BUILD_DIR must be configured with -DRINGTALLY_BENCH=ON (default: build).
set -eu
cd "$(dirname "$0")/../.."
build=${1:-build}
megabytes=${2:-300}
tool="$build/tools/ringtally-device"
maker="$build/bench/ringtally-make-backup"
for program in "$tool" "$maker"; do
  [ -x "$program" ] || { echo "import-bench: $program is missing; build with -DRINGTALLY_BENCH=ON" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "import-bench: needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work" "$megabytes"

run() {
  label=$1 file=$2
  /usr/bin/time -v "$tool" --device "$work/device.db" import "$file" >"$work/out" 2>"$work/time"
  bytes=$(stat -c %s "$file")
  records=$(awk '/ read,/ { n += $2 } END { print n + 0 }' "$work/out")
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time")
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
  awk -v l="$label" -v b="$bytes" -v r="$records" -v s="$seconds" -v p="$peak" 'BEGIN {
    if (s <= 0) s = 0.01
    printf "%-22s %8.1f MB %9d records %7.2f s %8.1f MB/s %9.0f records/s  peak %6.1f MB\n",
           l, b / 1e6, r, s, b / 1e6 / s, r / s, p / 1024 }'
}

echo "Import of generated backups ($(date -u +%Y-%m-%d), $(nproc) cores, $(uname -m)):"
run "calls" "$work/calls.xml"
run "messages (with media)" "$work/messages.xml"
run "calls again" "$work/calls.xml"
run "messages again" "$work/messages.xml"
