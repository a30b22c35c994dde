#include "calllog/CallLog.h"
#include "platform/PhoneCallLog.h"
#include "platform/PlatformTime.h"
#include "tests/calllog/CallTestData.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring Key(const CALLLOGENTRY& entry)
{
    return CCallLog::CallerKey(entry);
}

// The notes of a caller's records of one direction, fetched one by one.
std::vector<std::wstring> CallerNotes(CCallLog& callLog, int nType, const wchar_t* pszKey)
{
    std::vector<std::wstring> notes;
    CALLLOGENTRY entry;
    for (DWORD n = 0; callLog.GetCallerEntryOfType(nType, n, pszKey, &entry) == 0; ++n) {
        notes.push_back(entry.pszNote ? entry.pszNote : L"");
        callLog.FreeEntry(&entry);
    }
    callLog.FreeEntry(&entry);
    return notes;
}

DeviceCall Noted(DeviceCall call, const char* pszNote)
{
    call.strNote = pszNote;
    return call;
}

bool IsCleared(const CALLLOGENTRY& entry)
{
    CALLLOGENTRY cleared {};
    cleared.cbSize = offsetof(CALLLOGENTRY, pszNameType);
    return std::memcmp(&entry, &cleared, sizeof entry) == 0;
}

void Scribble(CALLLOGENTRY* pEntry)
{
    std::memset(static_cast<void*>(pEntry), 0x5A, sizeof *pEntry);
}

} // namespace

TEST(CallLog, EmptyLogHasNoRecords)
{
    // No store at all, then a store without calls.
    CEnvVar noDevice("RINGTALLY_DEVICE", "/nonexistent/device.db");
    for (int nPass = 0; nPass < 2; ++nPass) {
        std::optional<CTestDevice> device;
        if (nPass == 1)
            device.emplace();
        SCOPED_TRACE(nPass == 0 ? "missing store" : "empty store");
        CCallLog callLog(CallFields::All);
        CALLLOGENTRY entry;
        EXPECT_EQ(callLog.GetEntry(0, &entry), -1);
        FILETIME ft {1, 1};
        EXPECT_EQ(callLog.GetLastCallTime(L"", &ft), 0);
        EXPECT_EQ(FileTimeToTicks(ft), 0u);
        for (int nType : {IOM_MISSED, IOM_INCOMING, IOM_OUTGOING}) {
            EXPECT_EQ(callLog.GetEntryOfType(nType, 0, &entry), -1);
            EXPECT_EQ(callLog.GetCallerEntryOfType(nType, 0, L"", &entry), -1);
        }
        int nVisits = 0;
        callLog.ForEachEntry([&](const CALLLOGENTRY&) { return ++nVisits, true; });
        EXPECT_EQ(nVisits, 0);
        EXPECT_EQ(callLog.GetEntryCount(), 0u);
    }
}

TEST(CallLog, FailureLeavesAClearedRecord)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({MakeCall(IOM_INCOMING, UtcTicks(2026, 1, 1), Seconds(5), "Anna")}), 0);
    CCallLog callLog;
    // One record: counted as one, and the position after it is none.
    EXPECT_EQ(callLog.GetEntryCount(), 1u);
    CALLLOGENTRY entry;
    Scribble(&entry);
    EXPECT_EQ(callLog.GetEntry(1, &entry), -1);
    EXPECT_TRUE(IsCleared(entry));
    Scribble(&entry);
    EXPECT_EQ(callLog.GetEntry(-1, &entry), -1);
    EXPECT_TRUE(IsCleared(entry));
    Scribble(&entry);
    EXPECT_EQ(callLog.GetEntryOfType(IOM_INCOMING, 1, &entry), -1);
    EXPECT_TRUE(IsCleared(entry));
    Scribble(&entry);
    EXPECT_EQ(callLog.GetCallerEntryOfType(IOM_INCOMING, 0, L"Bert", &entry), -1);
    EXPECT_TRUE(IsCleared(entry));
    EXPECT_EQ(callLog.FreeEntry(&entry), 0);
    EXPECT_TRUE(IsCleared(entry));

    ASSERT_EQ(callLog.GetEntry(0, &entry), 0);
    EXPECT_EQ(entry.cbSize, offsetof(CALLLOGENTRY, pszNameType));
    EXPECT_STREQ(entry.pszName, L"Anna");
    EXPECT_EQ(callLog.FreeEntry(&entry), 0);
    EXPECT_TRUE(IsCleared(entry));
}

TEST(CallLog, CallerKeyIsTheNameElseTheNumber)
{
    CTestDevice device;
    const int64_t t = UtcTicks(2026, 2, 1, 10);
    ASSERT_EQ(device.Store().AddCalls({
                  Noted(MakeCall(IOM_INCOMING, t + 9, Seconds(1), "", "555"), "empty name"),
                  Noted(MakeCall(IOM_INCOMING, t + 8, Seconds(1), std::nullopt, std::nullopt), "nothing"),
                  Noted(MakeCall(IOM_INCOMING, t + 7, Seconds(1), "Anna", "111"), "anna 111"),
                  Noted(MakeCall(IOM_INCOMING, t + 6, Seconds(1), "Anna", "222"), "anna 222"),
                  Noted(MakeCall(IOM_INCOMING, t + 5, Seconds(1), "Bert", "333"), "bert named"),
                  Noted(MakeCall(IOM_INCOMING, t + 4, Seconds(1), std::nullopt, "333"), "bert number"),
                  Noted(MakeCall(IOM_INCOMING, t + 3, Seconds(1), "anna", "111"), "lower anna"),
                  Noted(MakeCall(IOM_INCOMING, t + 2, Seconds(1), "Anna ", "111"), "anna space"),
              }),
              0);
    CCallLog callLog(CallFields::All);
    CALLLOGENTRY entry;
    const wchar_t* kKeys[] = {L"", L"", L"Anna", L"Anna", L"Bert", L"333", L"anna", L"Anna "};
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(callLog.GetEntry(i, &entry), 0);
        EXPECT_EQ(Key(entry), kKeys[i]) << i;
        callLog.FreeEntry(&entry);
    }

    struct Case {
        const wchar_t* pszKey;
        std::vector<std::wstring> notes;
    };
    const Case kCases[] = {
        {L"", {L"empty name", L"nothing"}},
        {L"555", {}},
        {L"Anna", {L"anna 111", L"anna 222"}},
        {L"anna", {L"lower anna"}},
        {L"Anna ", {L"anna space"}},
        {L"Bert", {L"bert named"}},
        {L"333", {L"bert number"}},
        {L"ANNA", {}},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(CallerNotes(callLog, IOM_INCOMING, c.pszKey), c.notes)
            << "key " << testing::PrintToString(std::wstring(c.pszKey));
    }
}

TEST(CallLog, OrderIsNewestFirstWithTiesByDescendingId)
{
    CTestDevice device;
    const int64_t t = UtcTicks(2026, 4, 1, 8);
    ASSERT_EQ(device.Store().AddCalls({
                  Noted(MakeCall(IOM_INCOMING, t, Seconds(1), "x"), "id1 t"),
                  Noted(MakeCall(IOM_INCOMING, t + Seconds(60), Seconds(1), "x"), "id2 t+60"),
                  Noted(MakeCall(IOM_INCOMING, t, Seconds(1), "x"), "id3 t"),
                  Noted(MakeCall(IOM_INCOMING, t - Seconds(60), Seconds(1), "x"), "id4 t-60"),
                  Noted(MakeCall(IOM_INCOMING, t + Seconds(60), Seconds(1), "x"), "id5 t+60"),
              }),
              0);
    const std::vector<std::wstring> kOrder = {L"id5 t+60", L"id2 t+60", L"id3 t", L"id1 t", L"id4 t-60"};
    CCallLog callLog(CallFields::All);
    std::vector<std::wstring> byIndex, byWalk;
    CALLLOGENTRY entry;
    for (int i = 0; callLog.GetEntry(i, &entry) == 0; ++i) {
        byIndex.push_back(entry.pszNote);
        callLog.FreeEntry(&entry);
    }
    callLog.ForEachEntry([&](const CALLLOGENTRY& e) { return byWalk.push_back(e.pszNote), true; });
    EXPECT_EQ(byIndex, kOrder);
    EXPECT_EQ(byWalk, kOrder);
    EXPECT_EQ(CallerNotes(callLog, IOM_INCOMING, L"x"), kOrder);
}

TEST(CallLog, EntryOfTypeCountsWithinItsDirection)
{
    CTestDevice device;
    const int64_t t = UtcTicks(2026, 4, 1, 8);
    ASSERT_EQ(device.Store().AddCalls({
                  Noted(MakeCall(IOM_INCOMING, t + 5, Seconds(1), "a"), "in old"),
                  Noted(MakeCall(IOM_OUTGOING, t + 6, Seconds(1), "a"), "out"),
                  Noted(MakeCall(IOM_MISSED, t + 7, Seconds(1), "a"), "missed"),
                  Noted(MakeCall(IOM_INCOMING, t + 8, Seconds(1), "b"), "in new"),
                  Noted(MakeCall(5, t + 9, Seconds(1), "a"), "odd"),
              }),
              0);
    CCallLog callLog(CallFields::All);
    CALLLOGENTRY entry;
    ASSERT_EQ(callLog.GetEntryOfType(IOM_INCOMING, 0, &entry), 0);
    EXPECT_STREQ(entry.pszNote, L"in new");
    callLog.FreeEntry(&entry);
    ASSERT_EQ(callLog.GetEntryOfType(IOM_INCOMING, 1, &entry), 0);
    EXPECT_STREQ(entry.pszNote, L"in old");
    callLog.FreeEntry(&entry);
    EXPECT_EQ(callLog.GetEntryOfType(IOM_INCOMING, 2, &entry), -1);
    ASSERT_EQ(callLog.GetEntryOfType(5, 0, &entry), 0);
    EXPECT_STREQ(entry.pszNote, L"odd");
    callLog.FreeEntry(&entry);

    EXPECT_EQ(CallerNotes(callLog, IOM_INCOMING, L"a"), std::vector<std::wstring> {L"in old"});
    EXPECT_EQ(CallerNotes(callLog, IOM_OUTGOING, L"a"), std::vector<std::wstring> {L"out"});
    EXPECT_EQ(CallerNotes(callLog, IOM_MISSED, L"a"), std::vector<std::wstring> {L"missed"});
    EXPECT_EQ(CallerNotes(callLog, IOM_MISSED, L"b"), std::vector<std::wstring> {});
}

TEST(CallLog, TimesAreHandedOutInLocalTime)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 7, 1, 12), Seconds(90), "summer"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 1, 15, 12), Seconds(30), "winter"),
              }),
              0);
    CCallLog callLog(CallFields::All);
    CALLLOGENTRY entry;
    // Berlin is two hours ahead of UTC in summer and one in winter.
    ASSERT_EQ(callLog.GetEntry(0, &entry), 0);
    EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), LocalTicks(2026, 7, 1, 14));
    EXPECT_EQ(FileTimeToTicks(entry.ftEndTime), LocalTicks(2026, 7, 1, 14, 1, 30));
    callLog.FreeEntry(&entry);
    ASSERT_EQ(callLog.GetEntryOfType(IOM_OUTGOING, 0, &entry), 0);
    EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), LocalTicks(2026, 1, 15, 13));
    EXPECT_EQ(FileTimeToTicks(entry.ftEndTime), LocalTicks(2026, 1, 15, 13, 0, 30));
    callLog.FreeEntry(&entry);
    ASSERT_EQ(callLog.GetCallerEntryOfType(IOM_INCOMING, 0, L"summer", &entry), 0);
    EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), LocalTicks(2026, 7, 1, 14));
    callLog.FreeEntry(&entry);
    std::vector<uint64_t> starts;
    callLog.ForEachCallerEntryOfType(IOM_OUTGOING, L"winter", [&](const CALLLOGENTRY& e) {
        return starts.push_back(FileTimeToTicks(e.ftStartTime)), true;
    });
    EXPECT_EQ(starts, std::vector<uint64_t> {LocalTicks(2026, 1, 15, 13)});
    FILETIME ft {};
    callLog.GetLastCallTime(L"summer", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), LocalTicks(2026, 7, 1, 14));

    // The same record on a device whose zone is a fixed two hours ahead.
    CTimeZone zone("<+02>-2");
    EXPECT_EQ(callLog.GetEntry(1, &entry), 0);
    EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), LocalTicks(2026, 1, 15, 14));
    callLog.FreeEntry(&entry);
}

TEST(CallLog, LastCallTimeIsTheLatestStartOfAnyDirection)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({
                  // A long earlier call ends after the latest call starts.
                  MakeCall(IOM_INCOMING, UtcTicks(2026, 5, 1, 9), Seconds(7200), "Anna"),
                  MakeCall(IOM_MISSED, UtcTicks(2026, 5, 1, 10), 0, "Anna"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 5, 2, 10), Seconds(60), "anna"),
                  MakeCall(IOM_OUTGOING, UtcTicks(2026, 5, 3, 10), Seconds(60), "Bert"),
                  MakeCall(7, UtcTicks(2026, 4, 1, 10), Seconds(60), "Carl"),
              }),
              0);
    CCallLog callLog(CallFields::All);
    FILETIME ft {};
    EXPECT_EQ(callLog.GetLastCallTime(L"Anna", &ft), 0);
    EXPECT_EQ(FileTimeToTicks(ft), LocalTicks(2026, 5, 1, 12));
    callLog.GetLastCallTime(L"Carl", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), LocalTicks(2026, 4, 1, 12));
    callLog.GetLastCallTime(L"Dora", &ft);
    EXPECT_EQ(FileTimeToTicks(ft), 0u);
}

TEST(CallLog, CallerWalksReadTheLogOnce)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    for (int i = 0; i < 300; ++i)
        calls.push_back(MakeCall(i % 3, UtcTicks(2026, 1, 1) + i * Seconds(100), Seconds(10), i % 2 ? "a" : "b"));
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    CCallLog callLog(CallFields::All);
    WarmUp(callLog);

    uint64_t nBefore = PhoneCallLogRowsRead();
    int nVisits = 0;
    callLog.ForEachCallerEntryOfType(IOM_INCOMING, L"a", [&](const CALLLOGENTRY&) { return ++nVisits, true; });
    EXPECT_EQ(nVisits, 50);
    EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 300u);

    // Fetching the last of a caller's records costs one read of the log.
    CALLLOGENTRY entry;
    nBefore = PhoneCallLogRowsRead();
    ASSERT_EQ(callLog.GetCallerEntryOfType(IOM_INCOMING, 49, L"a", &entry), 0);
    callLog.FreeEntry(&entry);
    EXPECT_LE(PhoneCallLogRowsRead() - nBefore, 300u);
    nBefore = PhoneCallLogRowsRead();
    FILETIME ft {};
    callLog.GetLastCallTime(L"a", &ft);
    EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 300u);

    // A walk that stops early reads no further.
    nBefore = PhoneCallLogRowsRead();
    callLog.ForEachEntry([](const CALLLOGENTRY&) { return false; });
    EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 1u);
}

TEST(CallLog, SeekingDoesNotReadTheRecordsBefore)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    calls.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        calls.push_back(MakeCall(IOM_INCOMING, UtcTicks(2020, 1, 1) + i * Seconds(600), Seconds(10), "x"));
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    CCallLog callLog(CallFields::All);
    WarmUp(callLog);

    uint64_t nBefore = PhoneCallLogRowsRead();
    CALLLOGENTRY entry;
    ASSERT_EQ(callLog.GetEntry(50000, &entry), 0);
    EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 1u);
    // Position 50,000 from the newest is record 49,999 counted from the oldest.
    FILETIME utc = TicksToFileTime(static_cast<uint64_t>(calls[49999].nStartTime)), local {};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), FileTimeToTicks(local));
    callLog.FreeEntry(&entry);

    nBefore = PhoneCallLogRowsRead();
    EXPECT_EQ(callLog.GetEntry(100000, &entry), -1);
    EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 0u);
}

// A store made and filled with nothing but the documented SQL reads back
// newest first, with local times.
TEST(CallLog, ReadsAStoreWrittenWithPlainSql)
{
    CTempDir dir;
    std::string strPath = dir.File("plain.db");
    {
        CDatabase db;
        ASSERT_EQ(db.Open(strPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
        ASSERT_EQ(db.Exec(R"SQL(
            PRAGMA application_id = 1381256281;
            PRAGMA user_version = 1;
            CREATE TABLE calllog (id INTEGER PRIMARY KEY, start_time INTEGER NOT NULL,
              end_time INTEGER NOT NULL, iom INTEGER NOT NULL, flags INTEGER NOT NULL DEFAULT 0,
              cidt INTEGER NOT NULL DEFAULT 0, number TEXT, name TEXT, name_type TEXT, note TEXT);
            CREATE TABLE msgstore (id INTEGER PRIMARY KEY, display_name TEXT,
              entry_id BLOB NOT NULL UNIQUE DEFAULT (randomblob(16)));
            CREATE TABLE folder (id INTEGER PRIMARY KEY, store_id INTEGER NOT NULL REFERENCES msgstore(id),
              role TEXT NOT NULL, display_name TEXT, entry_id BLOB NOT NULL UNIQUE DEFAULT (randomblob(16)));
            CREATE TABLE message (id INTEGER PRIMARY KEY, folder_id INTEGER NOT NULL REFERENCES folder(id),
              entry_id BLOB NOT NULL UNIQUE DEFAULT (randomblob(16)), sender_name TEXT, subject TEXT,
              delivery_time INTEGER, body TEXT);
            CREATE TABLE recipient (message_id INTEGER NOT NULL REFERENCES message(id),
              position INTEGER NOT NULL, display_name TEXT, email_address TEXT,
              PRIMARY KEY (message_id, position));
            -- 2026-01-15 12:00:00 UTC, 2026-07-01 12:00:00 UTC, 2026-03-29 00:30:00 UTC
            INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
              (134129520000000000, 134129520650000000, 1, '+4930123456', 'Anna'),
              (134273808000000000, 134273808300000000, 2, '+4930999', NULL),
              (134192178000000000, 134192178000000000, 0, NULL, 'Bärbel');
        )SQL"),
                  SQLITE_OK)
            << db.LastError();
    }
    ASSERT_EQ(134129520000000000, UtcTicks(2026, 1, 15, 12));
    ASSERT_EQ(134273808000000000, UtcTicks(2026, 7, 1, 12));
    ASSERT_EQ(134192178000000000, UtcTicks(2026, 3, 29, 0, 30));
    CEnvVar device("RINGTALLY_DEVICE", strPath);

    struct Expected {
        const wchar_t* pszKey;
        int iom;
        uint64_t nStart;
        uint64_t nEnd;
    };
    const Expected kExpected[] = {
        {L"+4930999", IOM_OUTGOING, LocalTicks(2026, 7, 1, 14), LocalTicks(2026, 7, 1, 14, 0, 30)},
        {L"B\u00e4rbel", IOM_MISSED, LocalTicks(2026, 3, 29, 1, 30), LocalTicks(2026, 3, 29, 1, 30)},
        {L"Anna", IOM_INCOMING, LocalTicks(2026, 1, 15, 13), LocalTicks(2026, 1, 15, 13, 1, 5)},
    };
    CCallLog callLog(CallFields::All);
    CALLLOGENTRY entry;
    int i = 0;
    for (; callLog.GetEntry(i, &entry) == 0; ++i) {
        ASSERT_LT(i, 3);
        EXPECT_EQ(Key(entry), kExpected[i].pszKey);
        EXPECT_EQ(entry.iom, kExpected[i].iom);
        EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), kExpected[i].nStart) << i;
        EXPECT_EQ(FileTimeToTicks(entry.ftEndTime), kExpected[i].nEnd) << i;
        callLog.FreeEntry(&entry);
    }
    EXPECT_EQ(i, 3);
}
