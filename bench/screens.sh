#!/bin/sh
# Measures every screen of Ringtally on demo devices of growing size and
# compares the figures with what one aggregate query of the sqlite3 shell
# takes over the same store.
#
#   bench/screens.sh [SIZE ...]      (default: 10000 100000 1000000)
#
# Each SIZE makes a demo device with SIZE calls and SIZE messages (kept in
# $RINGTALLY_BENCH_DIR, default /tmp/ringtally-bench, and reused). Every
# screen is one whole run of the real program under automation, offscreen:
# wall time and peak memory come from /usr/bin/time, and "opens s" is the
# time of the screen's own last step, from the step times the program
# writes (for the main window: from the start until it waits with its list
# filled). Each run is taken RINGTALLY_BENCH_RUNS times (default 3) and the
# fastest kept (by "opens s"), since a shared machine's speed varies from
# run to run. Then the Google Benchmark figures of the inner operations are
# printed.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DRINGTALLY_TESTS=OFF -DRINGTALLY_BENCH=ON >/dev/null
cmake --build build-bench >/dev/null

sizes=${*:-10000 100000 1000000}
work=${RINGTALLY_BENCH_DIR:-/tmp/ringtally-bench}
mkdir -p "$work"
# A fixed clock, so that every run sees the same year of calls.
export RINGTALLY_NOW=2026-12-01T12:00:00
export QT_QPA_PLATFORM=offscreen
export TZ=${TZ:-Europe/Berlin}
tool="$top/build-bench/tools/ringtally-device"
app="$top/build-bench/app/ringtally"
range_start=2025-12-01
range_end=2026-12-01

runs=${RINGTALLY_BENCH_RUNS:-3}

# time_cmd CMD...: runs CMD and prints "seconds peak-KiB".
time_cmd() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$work/out.txt" 2>"$work/err.txt" || {
    echo "bench: $* failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
  cat "$work/time.txt"
}

# fastest CMD...: runs CMD $runs times and prints the fastest run's
# "seconds peak-KiB own-seconds": own is its last step's seconds when the
# program wrote step times, and then what "fastest" goes by.
fastest() {
  best=""
  best_key=""
  i=0
  while [ $i -lt "$runs" ]; do
    rm -f "$work/times.txt"
    this=$(time_cmd "$@")
    own=$(awk -F '\t' 'END { if (NR) printf "%.2f", $2 / 1000 }' "$work/times.txt" 2>/dev/null || true)
    key=${own:-${this%% *}}
    if [ -z "$best" ] || awk -v a="$key" -v b="$best_key" 'BEGIN { exit !(a < b) }'; then
      best="$this ${own:--}"
      best_key=$key
    fi
    i=$((i + 1))
  done
  echo "$best"
}

# run_screen SCRIPT-TEXT: the program on the current device.
run_screen() {
  printf '%s\n' "$1" >"$work/script.txt"
  RINGTALLY_DEVICE="$dev" RINGTALLY_AUTOMATION="$work/script.txt" \
    RINGTALLY_AUTOMATION_TIMES="$work/times.txt" fastest "$app"
}

run_sql() {
  fastest sqlite3 -readonly "$dev" "$1"
}

sql_q() { printf "%s" "$1" | sed "s/'/''/g"; }

printf '%-34s %8s %7s %7s %9s %9s %6s %6s\n' "screen" "calls" "opens s" "whole s" "peak MiB" \
  "sqlite3 s" "ratio" "whole"
for n in $sizes; do
  dev="$work/demo-$n.db"
  if [ ! -f "$dev" ]; then
    "$tool" --device "$dev" demo --calls "$n" --messages "$n" --seed 7 >/dev/null
  fi
  key_expr="coalesce(name, number, '')"
  busiest=$(sqlite3 -readonly "$dev" "SELECT $key_expr FROM calllog GROUP BY 1 ORDER BY count(*) DESC, 1 LIMIT 1")
  single=$(sqlite3 -readonly "$dev" "SELECT $key_expr FROM calllog GROUP BY 1 HAVING count(*) = 1 ORDER BY 1 LIMIT 1")
  # The main list's row of a caller's newest call: its position in log order.
  row_of() {
    sqlite3 -readonly "$dev" "SELECT count(*) FROM calllog c,
      (SELECT start_time s, id i FROM calllog WHERE $key_expr = '$(sql_q "$1")'
       ORDER BY start_time DESC, id DESC LIMIT 1) k
      WHERE c.start_time > k.s OR (c.start_time = k.s AND c.id > k.i)"
  }
  busy_row=$(row_of "$busiest")
  single_row=$(row_of "$single")
  by_time="command 32780
date 1010 $range_start
date 1013 $range_end
command 32803"
  # Local day bounds as UTC ticks for the sqlite3 side (the zone's offset of
  # the bound's own day).
  s_ticks=$(sqlite3 :memory: "SELECT (CAST(strftime('%s', '$range_start 00:00:00', 'utc') AS INTEGER)) * 10000000 + 116444736000000000")
  e_ticks=$(sqlite3 :memory: "SELECT (CAST(strftime('%s', '$range_end 23:59:59', 'utc') AS INTEGER)) * 10000000 + 116444736000000000")
  talk="max(end_time - start_time, 0) / 10000000"
  calls_sql="SELECT sum(CASE WHEN iom = 1 THEN $talk ELSE 0 END), sum(CASE WHEN iom = 2 THEN $talk ELSE 0 END), sum(iom = 0)"
  sms_from="FROM message m JOIN folder f ON f.id = m.folder_id
    WHERE f.store_id = (SELECT id FROM msgstore WHERE lower(display_name) = 'sms' ORDER BY id LIMIT 1)"
  addr="CASE f.role WHEN 'inbox' THEN m.sender_name ELSE (SELECT group_concat(coalesce(display_name, '') || '<' || coalesce(email_address, '') || '>', '') FROM recipient r WHERE r.message_id = m.id) END"

  measure() {
    label=$1; script=$2; sql=$3
    ours=$(run_screen "$script")
    theirs=$(run_sql "$sql")
    set -- $ours; o_s=$1; o_kb=$2; o_own=$3
    set -- $theirs; t_s=$1
    ratio() { awk -v a="$1" -v b="$t_s" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }'; }
    printf '%-34s %8s %7s %7s %9s %9s %6s %6s\n' "$label" "$n" "$o_own" "$o_s" "$((o_kb / 1024))" "$t_s" \
      "$(ratio "$o_own")" "$(ratio "$o_s")"
  }

  measure "main window" "" \
    "SELECT count(*), sum(length($key_expr)) FROM (SELECT * FROM calllog ORDER BY start_time DESC, id DESC)"
  for who in busiest single; do
    if [ $who = busiest ]; then key=$busiest; row=$busy_row; else key=$single; row=$single_row; fi
    k=$(sql_q "$key")
    measure "caller calls ($who)" "select $row
command 32814" "$calls_sql, max(start_time) FROM calllog WHERE $key_expr = '$k'"
    measure "caller sms ($who)" "select $row
command 32815" "SELECT sum(f.role = 'inbox'), sum(f.role = 'sent'), max(m.delivery_time) $sms_from
      AND f.role IN ('inbox', 'sent') AND instr($addr, '$k') > 0"
  done
  k=$(sql_q "$busiest")
  measure "caller calls by time (busiest)" "select $busy_row
command 32814
$by_time" "$calls_sql FROM calllog WHERE $key_expr = '$k' AND start_time >= $s_ticks AND end_time <= $e_ticks"
  measure "caller sms by time (busiest)" "select $busy_row
command 32815
$by_time" "SELECT sum(f.role = 'inbox'), sum(f.role = 'sent') $sms_from AND f.role IN ('inbox', 'sent')
      AND instr($addr, '$k') > 0 AND m.delivery_time BETWEEN $s_ticks AND $e_ticks"
  measure "call list (busiest)" "select $busy_row
command 32814
command 32807" "SELECT count(*) FROM calllog WHERE $key_expr = '$k'"
  measure "totals" "command 32810" \
    "$calls_sql, (SELECT count(*) $sms_from AND f.role = 'inbox'), (SELECT count(*) $sms_from AND f.role = 'sent') FROM calllog"
  measure "totals by time" "command 32811
date 1010 $range_start
date 1013 $range_end
command 32803" \
    "$calls_sql, (SELECT count(*) $sms_from AND f.role = 'inbox' AND m.delivery_time BETWEEN $s_ticks AND $e_ticks),
      (SELECT count(*) $sms_from AND f.role = 'sent' AND m.delivery_time BETWEEN $s_ticks AND $e_ticks)
      FROM calllog WHERE start_time >= $s_ticks AND end_time <= $e_ticks"
  # The ranking: every caller's figures, over everything and over last year
  # (its Range menu); the sqlite3 side groups the calls alone.
  measure "ranking" "command 32832" "$calls_sql, max(start_time) FROM calllog GROUP BY $key_expr"
  measure "ranking last year" "command 32832
command 32865" "$calls_sql FROM calllog WHERE start_time >= $s_ticks AND end_time <= $e_ticks GROUP BY $key_expr"
  measure "activity" "command 32833" "SELECT strftime('%Y-%m', (start_time - 116444736000000000) / 10000000,
      'unixepoch', 'localtime'), sum(iom = 1), sum(iom = 2), sum(iom NOT IN (1, 2)) FROM calllog GROUP BY 1"
  # The export of every call by the tool, against the sqlite3 shell writing
  # the same rows as CSV; the tool has no step times, so only its whole run.
  set -- $(RINGTALLY_DEVICE= fastest "$tool" --device "$dev" export calls --output "$work/calls.csv")
  o_s=$1; o_kb=$2
  set -- $(fastest sqlite3 -readonly -csv "$dev" "SELECT start_time, end_time, $talk, iom, name, number FROM calllog
    ORDER BY start_time DESC, id DESC")
  printf '%-34s %8s %7s %7s %9s %9s %6s %6s\n' "export calls (tool)" "$n" "-" "$o_s" "$((o_kb / 1024))" "$1" "-" \
    "$(awk -v a="$o_s" -v b="$1" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')"
done

echo
echo "Inner operations (Google Benchmark):"
for b in "$top"/build-bench/bench/*_bench; do
  [ -x "$b" ] && "$b" --benchmark_format=console 2>/dev/null | grep -v '^-\|^Run on\|^CPU\|^  L\|^Load'
done
