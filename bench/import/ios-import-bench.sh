#!/bin/sh
# iPhone import benchmark: generates an unencrypted iPhone backup folder of
# CALLS calls (default 100000) and MESSAGES messages (default 300000) with an
# address book of 2,000 people, imports it into a new device store, then once
# more (every record a duplicate), and reports the time and the peak resident
# memory of each run.
#
#   bench/import/ios-import-bench.sh [BUILD_DIR] [CALLS] [MESSAGES]
set -eu
cd "$(dirname "$0")/../.."
build=${1:-build}
calls=${2:-100000}
messages=${3:-300000}
tool="$build/tools/ringtally-device"
[ -x "$tool" ] || { echo "ios-import-bench: $tool is missing; build it first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "ios-import-bench: needs /usr/bin/time (Debian package time)" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "ios-import-bench: needs sqlite3" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
backup="$work/backup"
mkdir -p "$backup"

# Numbers are written three ways, as on a real phone.
sqlite3 "$work/contacts.db" <<SQL
CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Organization TEXT);
CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, identifier INTEGER,
  label INTEGER, value TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
INSERT INTO ABPerson SELECT i, 'First' || i, 'Last' || i, NULL FROM n;
INSERT INTO ABMultiValue SELECT ROWID, ROWID, 3, 0, 1, '0170 ' || (1000000 + ROWID) FROM ABPerson;
SQL

sqlite3 "$work/calls.db" >/dev/null <<SQL
PRAGMA journal_mode = WAL;
CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZANSWERED INTEGER,
  ZCALLTYPE INTEGER, ZORIGINATED INTEGER, ZDATE TIMESTAMP, ZDURATION FLOAT, ZADDRESS VARCHAR, ZNAME VARCHAR,
  ZSERVICE_PROVIDER VARCHAR, ZUNIQUE_ID VARCHAR);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $calls)
INSERT INTO ZCALLRECORD (Z_PK, ZANSWERED, ZCALLTYPE, ZORIGINATED, ZDATE, ZDURATION, ZADDRESS, ZSERVICE_PROVIDER,
  ZUNIQUE_ID)
SELECT i, i % 3 != 0, CASE WHEN i % 10 = 0 THEN 8 ELSE 1 END, i % 2, 600000000 + i * 600.5, i % 900,
  '+49170' || (1000000 + i % 3000), 'com.apple.Telephony', printf('%08X-CALL-%d', i * 2654435761 % 4294967296, i)
FROM n;
SQL

sqlite3 "$work/sms.db" >/dev/null <<SQL
PRAGMA journal_mode = WAL;
CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, service TEXT);
CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT,
  handle_id INTEGER DEFAULT 0, service TEXT, date INTEGER, is_from_me INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0,
  error INTEGER DEFAULT 0, item_type INTEGER DEFAULT 0, associated_message_type INTEGER DEFAULT 0,
  attributedBody BLOB);
CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT, chat_identifier TEXT);
CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER, PRIMARY KEY (chat_id, message_id));
CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER, UNIQUE (chat_id, handle_id));
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
INSERT INTO handle SELECT i, '+49170' || (1000000 + i), 'SMS' FROM n;
INSERT INTO chat SELECT ROWID, 'SMS;-;' || id, id FROM handle;
INSERT INTO chat_handle_join SELECT ROWID, ROWID FROM handle;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $messages)
INSERT INTO message (ROWID, guid, text, handle_id, service, date, is_from_me, is_sent, associated_message_type)
SELECT i, printf('%08X-MSG-%d', i * 2654435761 % 4294967296, i),
  CASE WHEN i % 4 = 0 THEN NULL ELSE 'Message number ' || i || ', with a few more words as people write them' END,
  1 + i % 3000, CASE WHEN i % 3 = 0 THEN 'SMS' ELSE 'iMessage' END, (600000000 + i * 200) * 1000000000,
  i % 2, 1, CASE WHEN i % 50 = 0 THEN 2000 ELSE 0 END
FROM n;
UPDATE message SET attributedBody = X'040B73747265616D747970656481E803840140848484124E5341747472696275746564537472696E67008484084E534F626A656374008592848484084E53537472696E67019484012B0B48616C6C6F2057656C7421' WHERE text IS NULL;
INSERT INTO chat_message_join SELECT 1 + (ROWID - 1) % 3000, ROWID FROM message;
SQL

manifest="CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB);"
for pair in "contacts.db Library/AddressBook/AddressBook.sqlitedb" "calls.db Library/CallHistoryDB/CallHistory.storedata" \
  "sms.db Library/SMS/sms.db"; do
  set -- $pair
  id=$(printf '%s' "HomeDomain-$2" | sha1sum | cut -c1-40)
  mkdir -p "$backup/$(echo "$id" | cut -c1-2)"
  cp "$work/$1" "$backup/$(echo "$id" | cut -c1-2)/$id"
  manifest="$manifest INSERT INTO Files VALUES ('$id', 'HomeDomain', '$2', 1, NULL);"
done
echo "$manifest" | sqlite3 "$backup/Manifest.db"
cat >"$backup/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>Device Name</key><string>Bench</string>
<key>Phone Number</key><string>+49 170 0000000</string></dict></plist>
PLIST

run() {
  label=$1
  /usr/bin/time -v "$tool" --device "$work/device.db" import "$backup" >"$work/out" 2>"$work/time"
  records=$(awk '/ read,/ { n += $2 } END { print n + 0 }' "$work/out")
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time")
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
  awk -v l="$label" -v r="$records" -v s="$seconds" -v p="$peak" 'BEGIN {
    if (s <= 0) s = 0.01
    printf "%-14s %9d records %7.2f s %9.0f records/s  peak %6.1f MB\n", l, r, s, r / s, p / 1024 }'
}

echo "Import of a generated iPhone backup, $calls calls and $messages messages ($(date -u +%Y-%m-%d), $(nproc) cores, $(uname -m)):"
du -sh "$backup" | awk '{ print "backup folder: " $1 }'
run "first import"
run "again"
