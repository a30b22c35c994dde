#include "platform/PhoneCallLog.h"
#include "platform/DeviceWatch.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <iterator>

#include <string>
#include <vector>

namespace {

DeviceCall Call(int64_t nStart, const char* pszName)
{
    DeviceCall call;
    call.nStartTime = nStart;
    call.nEndTime = nStart + 60 * kTicksPerSecond;
    call.nIom = IOM_INCOMING;
    call.strName = pszName;
    return call;
}

// Reads the record at the handle's position and returns its name, or "-"
// when the read fails.
std::wstring ReadName(HANDLE h)
{
    CALLLOGENTRY entry {};
    entry.cbSize = sizeof entry;
    if (PhoneGetCallLogEntry(h, &entry) != 0)
        return L"-";
    std::wstring strName = entry.pszName ? entry.pszName : L"(null)";
    LocalFree(entry.pszName);
    LocalFree(entry.pszNumber);
    LocalFree(entry.pszNameType);
    LocalFree(entry.pszNote);
    return strName;
}

} // namespace

TEST(PhoneCallLog, MissingStoreOpensAsEmptyLog)
{
    CEnvVar device("RINGTALLY_DEVICE", "/nonexistent/device.db");
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    DWORD nPosition = 99;
    EXPECT_EQ(PhoneSeekCallLog(h, CALLLOGSEEK_BEGINNING, 0, &nPosition), 0);
    EXPECT_EQ(nPosition, 0u);
    EXPECT_NE(PhoneSeekCallLog(h, CALLLOGSEEK_END, 0, &nPosition), 0);
    EXPECT_EQ(ReadName(h), L"-");
    PhoneCloseCallLog(h);
}

TEST(PhoneCallLog, SeeksFromEitherEndAndReadsMoveOn)
{
    CTestDevice device;
    // Stored oldest first; the log hands them out newest first.
    ASSERT_EQ(device.Store().AddCalls(
                  {Call(UtcTicks(2026, 1, 1), "c"), Call(UtcTicks(2026, 1, 2), "b"), Call(UtcTicks(2026, 1, 3), "a")}),
              0);
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    DWORD nPosition = 99;

    struct Case {
        DWORD dwSeek;
        DWORD nOffset;
        bool bOk;
        DWORD nPosition;
        const wchar_t* pszFirst;
    };
    const Case kCases[] = {
        {CALLLOGSEEK_BEGINNING, 0, true, 0, L"a"}, {CALLLOGSEEK_BEGINNING, 2, true, 2, L"c"},
        {CALLLOGSEEK_BEGINNING, 3, true, 3, L"-"}, {CALLLOGSEEK_BEGINNING, 4, false, 0, nullptr},
        {CALLLOGSEEK_END, 0, true, 2, L"c"},       {CALLLOGSEEK_END, 2, true, 0, L"a"},
        {CALLLOGSEEK_END, 3, false, 0, nullptr},   {7, 0, false, 0, nullptr},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "seek " << c.dwSeek << " by " << c.nOffset);
        HRESULT hr = PhoneSeekCallLog(h, c.dwSeek, c.nOffset, &nPosition);
        EXPECT_EQ(hr == 0, c.bOk);
        if (c.bOk) {
            EXPECT_EQ(nPosition, c.nPosition);
            EXPECT_EQ(ReadName(h), c.pszFirst);
        }
    }
    ASSERT_EQ(PhoneSeekCallLog(h, CALLLOGSEEK_BEGINNING, 1, nullptr), 0);
    EXPECT_EQ(ReadName(h), L"b");
    EXPECT_EQ(ReadName(h), L"c");
    EXPECT_EQ(ReadName(h), L"-");
    PhoneCloseCallLog(h);
}

TEST(PhoneCallLog, OrdersByStartThenIdWhateverTheStoredOrder)
{
    struct Case {
        const char* pszWhat;
        std::vector<std::pair<int, const char*>> stored; // day, name, in id order
        std::vector<std::wstring> expected;              // log order
    };
    const Case kCases[] = {
        {"oldest first", {{1, "a"}, {2, "b"}, {3, "c"}}, {L"c", L"b", L"a"}},
        {"newest first", {{3, "c"}, {2, "b"}, {1, "a"}}, {L"c", L"b", L"a"}},
        {"mixed, with ties", {{2, "b1"}, {3, "c"}, {1, "a"}, {2, "b2"}, {3, "c2"}}, {L"c2", L"c", L"b2", L"b1", L"a"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        CTestDevice device;
        std::vector<DeviceCall> calls;
        for (const auto& [nDay, pszName] : c.stored)
            calls.push_back(Call(UtcTicks(2026, 1, nDay), pszName));
        ASSERT_EQ(device.Store().AddCalls(calls), 0);
        HANDLE h = nullptr;
        ASSERT_EQ(PhoneOpenCallLog(&h), 0);
        std::vector<std::wstring> names;
        for (std::wstring strName = ReadName(h); strName != L"-"; strName = ReadName(h))
            names.push_back(strName);
        PhoneCloseCallLog(h);
        EXPECT_EQ(names, c.expected);
    }
}

TEST(PhoneCallLog, KeepsEveryDistinctTextApart)
{
    // Thousands of distinct numbers, texts that differ in one byte, the same
    // text in several fields, and an empty text beside a missing one.
    CTestDevice device;
    std::vector<DeviceCall> calls;
    for (int i = 0; i < 5000; ++i) {
        DeviceCall call = Call(UtcTicks(2026, 1, 1) + i * kTicksPerSecond, "");
        call.strName.reset();
        call.strNumber = "+49 " + std::to_string(i % 2500);
        if (i % 3 == 0)
            call.strName = i % 2 ? std::string("") : *call.strNumber;
        calls.push_back(call);
    }
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    for (int i = 4999; i >= 0; --i) {
        CALLLOGENTRY entry {};
        entry.cbSize = sizeof entry;
        ASSERT_EQ(PhoneGetCallLogEntry(h, &entry), 0);
        std::wstring strNumber = L"+49 " + std::to_wstring(i % 2500);
        EXPECT_EQ(std::wstring(entry.pszNumber ? entry.pszNumber : L"(null)"), strNumber) << i;
        if (i % 3 != 0)
            EXPECT_EQ(entry.pszName, nullptr) << i;
        else
            EXPECT_EQ(std::wstring(entry.pszName ? entry.pszName : L"(null)"), i % 2 ? L"" : strNumber) << i;
        LocalFree(entry.pszName);
        LocalFree(entry.pszNumber);
        LocalFree(entry.pszNameType);
        LocalFree(entry.pszNote);
    }
    PhoneCloseCallLog(h);
}

TEST(PhoneCallLog, HandsOutFieldsAsStored)
{
    CTestDevice device;
    DeviceCall call;
    call.nStartTime = UtcTicks(2026, 5, 4, 3, 2, 1);
    call.nEndTime = UtcTicks(2026, 5, 4, 3, 7, 1);
    call.nIom = 7;
    call.nFlags = 1 | 4;
    call.nCidt = CALLERIDTYPE_AVAILABLE;
    call.strNumber = "+4930 1234";
    call.strName = "";
    call.strNote = "Gr\xc3\xbc\xc3\x9f"
                   "e \xf0\x9f\x93\x9e";
    ASSERT_EQ(device.Store().AddCalls({call}), 0);

    // A caller whose entry ends before the name type is handed neither it
    // nor the note: the fields beyond its size are left as they were.
    call.strNameType = "w";
    call.strNote = std::string(1 << 20, 'x');
    ASSERT_EQ(device.Store().AddCalls({call}), 0);
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    CALLLOGENTRY shown {};
    shown.cbSize = offsetof(CALLLOGENTRY, pszNameType);
    wchar_t szMine[] = L"mine";
    shown.pszNameType = shown.pszNote = szMine;
    ASSERT_EQ(PhoneGetCallLogEntry(h, &shown), 0);
    EXPECT_STREQ(shown.pszName, L"");
    EXPECT_EQ(shown.pszNameType, szMine);
    EXPECT_EQ(shown.pszNote, szMine);
    LocalFree(shown.pszName);
    LocalFree(shown.pszNumber);

    CALLLOGENTRY entry {};
    entry.cbSize = sizeof entry;
    ASSERT_EQ(PhoneGetCallLogEntry(h, &entry), 0);
    PhoneCloseCallLog(h);
    EXPECT_EQ(FileTimeToTicks(entry.ftStartTime), static_cast<uint64_t>(call.nStartTime));
    EXPECT_EQ(FileTimeToTicks(entry.ftEndTime), static_cast<uint64_t>(call.nEndTime));
    EXPECT_EQ(entry.iom, 7);
    EXPECT_TRUE(entry.fOutgoing);
    EXPECT_FALSE(entry.fConnected);
    EXPECT_TRUE(entry.fEnded);
    EXPECT_FALSE(entry.fRoam);
    EXPECT_EQ(entry.cidt, CALLERIDTYPE_AVAILABLE);
    ASSERT_NE(entry.pszNumber, nullptr);
    EXPECT_STREQ(entry.pszNumber, L"+4930 1234");
    // An empty name is a name, not an absent one.
    ASSERT_NE(entry.pszName, nullptr);
    EXPECT_STREQ(entry.pszName, L"");
    EXPECT_EQ(entry.pszNameType, nullptr);
    ASSERT_NE(entry.pszNote, nullptr);
    EXPECT_STREQ(entry.pszNote, L"Gr\u00fc\u00dfe \U0001F4DE");
    LocalFree(entry.pszName);
    LocalFree(entry.pszNumber);
    LocalFree(entry.pszNameType);
    LocalFree(entry.pszNote);
}

// The log sees the store as it is at each open, and once the log is closed
// a writer can commit.
TEST(PhoneCallLog, FollowsTheStoreBetweenOpens)
{
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({Call(UtcTicks(2026, 1, 1), "old")}), 0);
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    EXPECT_EQ(ReadName(h), L"old");
    // A second handle opened meanwhile shares the first one's view.
    HANDLE hInner = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&hInner), 0);
    EXPECT_EQ(ReadName(hInner), L"old");
    PhoneCloseCallLog(hInner);
    PhoneCloseCallLog(h);

    ASSERT_EQ(device.Store().AddCalls({Call(UtcTicks(2026, 1, 2), "new")}), 0) << device.Store().ErrorText();

    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    EXPECT_EQ(ReadName(h), L"new");
    EXPECT_EQ(ReadName(h), L"old");
    EXPECT_EQ(ReadName(h), L"-");
    PhoneCloseCallLog(h);

    ASSERT_EQ(device.Store().Database().Exec("DELETE FROM calllog WHERE name = 'new'"), 0);
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    EXPECT_EQ(ReadName(h), L"old");
    EXPECT_EQ(ReadName(h), L"-");
    PhoneCloseCallLog(h);
}

TEST(PhoneCallLog, TheStoreIsReadOncePerChange)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    for (int i = 0; i < 1000; ++i)
        calls.push_back(Call(UtcTicks(2026, 1, 1) + i * kTicksPerSecond, "x"));
    ASSERT_EQ(device.Store().AddCalls(calls), 0);

    uint64_t nFetchedBefore = PhoneCallLogRowsFetched();
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    PhoneCloseCallLog(h);
    EXPECT_EQ(PhoneCallLogRowsFetched() - nFetchedBefore, 1000u);

    // Reading one record hands out one; position after position, each with
    // its own open and close as the main list reads, fetches nothing more.
    uint64_t nBefore = PhoneCallLogRowsRead();
    nFetchedBefore = PhoneCallLogRowsFetched();
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    ASSERT_EQ(PhoneSeekCallLog(h, CALLLOGSEEK_BEGINNING, 900, nullptr), 0);
    EXPECT_EQ(ReadName(h), L"x");
    PhoneCloseCallLog(h);
    EXPECT_EQ(PhoneCallLogRowsRead() - nBefore, 1u);
    for (DWORD nPosition = 901; nPosition < 1000; ++nPosition) {
        ASSERT_EQ(PhoneOpenCallLog(&h), 0);
        ASSERT_EQ(PhoneSeekCallLog(h, CALLLOGSEEK_BEGINNING, nPosition, nullptr), 0);
        EXPECT_EQ(ReadName(h), L"x");
        PhoneCloseCallLog(h);
    }
    EXPECT_EQ(PhoneCallLogRowsFetched() - nFetchedBefore, 0u);

    // A change is read again, whole.
    ASSERT_EQ(device.Store().AddCalls({Call(UtcTicks(2026, 2, 1), "y")}), 0);
    nFetchedBefore = PhoneCallLogRowsFetched();
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    EXPECT_EQ(ReadName(h), L"y");
    PhoneCloseCallLog(h);
    EXPECT_EQ(PhoneCallLogRowsFetched() - nFetchedBefore, 1001u);
}

// Another process's change is seen once the recheck time has passed; until
// then the log is not read again.
TEST(PhoneCallLog, AnotherProcesssChangeIsSeenAfterTheRecheckTime)
{
    CWatchClockGuard clock;
    CTestDevice device;
    ASSERT_EQ(device.Store().AddCalls({Call(UtcTicks(2026, 1, 1), "old")}), 0);
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    EXPECT_EQ(ReadName(h), L"old");
    PhoneCloseCallLog(h);

    CForeignWriter writer(device.Path());
    writer.Exec("INSERT INTO calllog (start_time, end_time, iom, name) VALUES (" +
                std::to_string(UtcTicks(2026, 1, 2)) + ", " + std::to_string(UtcTicks(2026, 1, 2)) + ", 1, 'new')");
    struct Case {
        const char* pszWhat;
        int64_t nStepMs;
        const wchar_t* pszFirst;
        uint64_t nFetched;
    };
    const Case kCases[] = {
        {"too soon", 0, L"old", 0},
        {"after the recheck time", CDeviceWatch::kRecheckMs, L"new", 2},
        {"nothing changed since", CDeviceWatch::kRecheckMs, L"new", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        clock.Step(c.nStepMs);
        uint64_t nFetchedBefore = PhoneCallLogRowsFetched();
        ASSERT_EQ(PhoneOpenCallLog(&h), 0);
        EXPECT_EQ(ReadName(h), c.pszFirst);
        PhoneCloseCallLog(h);
        EXPECT_EQ(PhoneCallLogRowsFetched() - nFetchedBefore, c.nFetched);
    }
}

TEST(PhoneCallLog, DamagedStoreEndsTheWalkAtTheDamage)
{
    CTestDevice device;
    std::vector<DeviceCall> calls;
    for (int i = 0; i < 3000; ++i) {
        calls.push_back(Call(UtcTicks(2026, 1, 1) + i * kTicksPerSecond, "x"));
        calls.back().strNote = std::string(100, 'n');
    }
    ASSERT_EQ(device.Store().AddCalls(calls), 0);
    device.Store().Close();
    {
        std::fstream file(device.Path(), std::ios::in | std::ios::out | std::ios::binary);
        std::string strBytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_GT(strBytes.size(), 40u * 4096);
        file.seekp(static_cast<std::streamoff>(strBytes.size() / 2));
        file << std::string(2 * 4096, '\xA5');
    }
    HANDLE h = nullptr;
    ASSERT_EQ(PhoneOpenCallLog(&h), 0);
    int nRead = 0;
    while (ReadName(h) == L"x")
        ++nRead;
    PhoneCloseCallLog(h);
    // The records before the damage are still there to see.
    EXPECT_GT(nRead, 0);
    EXPECT_LT(nRead, 3000);
}
