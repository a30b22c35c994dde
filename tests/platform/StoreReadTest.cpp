#include "platform/StoreRead.h"

#include "platform/DeviceCheck.h"
#include "platform/DeviceProblems.h"
#include "platform/PhoneCallLog.h"
#include "tests/platform/MapiTestSupport.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// Every test starts and ends with no problem waiting to be told.
class StoreReadTest : public ::testing::Test
{
protected:
    // A check of a store that an earlier test opened may still be running;
    // what it finds belongs to that test.
    StoreReadTest()
    {
        WaitForDeviceCheck();
        ResetDeviceProblems();
    }
    ~StoreReadTest() override
    {
        WaitForDeviceCheck();
        ResetDeviceProblems();
    }

    // A store of nCalls calls in WAL mode, closed, so that no log is left
    // beside it and a reader opens it as immutable.
    std::string MakeWalStore(int nCalls)
    {
        std::string strPath = m_dir.File("device.db");
        {
            CDeviceStore store;
            EXPECT_EQ(store.Create(strPath), DeviceStatus::Ok) << store.ErrorText();
            std::vector<DeviceCall> calls;
            for (int i = 0; i < nCalls; ++i)
                calls.push_back(MakeTestCall("Anna", "+4930", 1, UtcTicks(2026, 1, 1) + i * kTicksPerSecond));
            EXPECT_EQ(store.AddCalls(calls), 0);
            EXPECT_EQ(store.Database().Exec("PRAGMA journal_mode = WAL"), SQLITE_OK);
        }
        return strPath;
    }

    // Another process's import: calls added through a connection in WAL
    // mode that then closes, folding its log back into the file.
    static void AddCallsElsewhere(const std::string& strPath, int nCalls)
    {
        CForeignWriter writer(strPath);
        for (int i = 0; i < nCalls; ++i)
            writer.Exec("INSERT INTO calllog (start_time, end_time, iom) VALUES (" +
                        std::to_string(UtcTicks(2026, 2, 1) + i) + ", " + std::to_string(UtcTicks(2026, 2, 1) + i) +
                        ", 0)");
    }

    static int CountCalls(CDatabase& db, int64_t* pnCount)
    {
        CStatement count(db, "SELECT count(*) FROM calllog");
        int nCode = count.IsValid() ? count.Step() : db.LastCode();
        if (nCode != SQLITE_ROW)
            return nCode;
        *pnCount = count.ColumnInt(0);
        return count.Step();
    }

    CTempDir m_dir;
};

TEST_F(StoreReadTest, APassThatAWriterOverlapsIsReadAgainThroughANewConnection)
{
    std::string strPath = MakeWalStore(10);
    CDeviceStore reader;
    ASSERT_EQ(reader.OpenReadOnly(strPath, StoreCheck::Schema), DeviceStatus::Ok) << reader.ErrorText();
    ASSERT_TRUE(reader.Database().IsImmutable());
    ASSERT_TRUE(reader.ReadsAsOpened());

    std::vector<int64_t> counts;
    int nReopened = 0;
    PassResult result = RunStorePass(
        reader,
        [&](CDatabase& db) {
            int64_t nCount = -1;
            int nCode = CountCalls(db, &nCount);
            counts.push_back(nCount);
            // The first pass is overlapped by an import that commits.
            if (counts.size() == 1)
                AddCallsElsewhere(strPath, 5);
            return nCode;
        },
        [&] {
            ++nReopened;
            return reader.OpenReadOnly(strPath, StoreCheck::Schema) == DeviceStatus::Ok;
        });
    EXPECT_EQ(result, PassResult::Complete);
    EXPECT_EQ(counts, (std::vector<int64_t> {10, 15}));
    EXPECT_EQ(nReopened, 1);
    EXPECT_TRUE(TakeDeviceProblems().empty());
}

TEST_F(StoreReadTest, AConnectionThatAWriterLeftBehindIsReopenedBeforeItReads)
{
    std::string strPath = MakeWalStore(10);
    CDeviceStore reader;
    ASSERT_EQ(reader.OpenReadOnly(strPath, StoreCheck::Schema), DeviceStatus::Ok) << reader.ErrorText();
    AddCallsElsewhere(strPath, 5);
    EXPECT_FALSE(reader.ReadsAsOpened());

    std::vector<int64_t> counts;
    PassResult result = RunStorePass(
        reader,
        [&](CDatabase& db) {
            int64_t nCount = -1;
            int nCode = CountCalls(db, &nCount);
            counts.push_back(nCount);
            return nCode;
        },
        [&] { return reader.OpenReadOnly(strPath, StoreCheck::Schema) == DeviceStatus::Ok; });
    EXPECT_EQ(result, PassResult::Complete);
    EXPECT_EQ(counts, std::vector<int64_t> {15});
}

TEST_F(StoreReadTest, DamageKeepsWhatWasReadAndIsToldOnce)
{
    std::string strPath = MakeWalStore(1);
    CDeviceStore reader;
    ASSERT_EQ(reader.OpenReadOnly(strPath, StoreCheck::Schema), DeviceStatus::Ok);
    int nPasses = 0;
    int nReopened = 0;
    auto damaged = [&](CDatabase& db) {
        ++nPasses;
        db.SetError(SQLITE_CORRUPT, "database disk image is malformed");
        return SQLITE_CORRUPT;
    };
    auto reopen = [&] { return ++nReopened, true; };
    EXPECT_EQ(RunStorePass(reader, damaged, reopen), PassResult::Damaged);
    EXPECT_EQ(RunStorePass(reader, damaged, reopen), PassResult::Damaged);
    EXPECT_EQ(nPasses, 2);
    EXPECT_EQ(nReopened, 0);
    auto problems = TakeDeviceProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].status, DeviceStatus::Corrupt);
    EXPECT_NE(problems[0].strText.find(strPath + " is damaged ("), std::string::npos) << problems[0].strText;
    EXPECT_NE(problems[0].strText.find("malformed"), std::string::npos) << problems[0].strText;
    EXPECT_NE(problems[0].strText.find("ringtally-device check"), std::string::npos) << problems[0].strText;
}

TEST_F(StoreReadTest, APassThatKeepsFailingIsToldAfterItsTries)
{
    std::string strPath = MakeWalStore(1);
    CDeviceStore reader;
    ASSERT_EQ(reader.OpenReadOnly(strPath, StoreCheck::Schema), DeviceStatus::Ok);
    int nPasses = 0;
    PassResult result = RunStorePass(
        reader,
        [&](CDatabase& db) {
            ++nPasses;
            db.SetError(SQLITE_BUSY, "database is locked");
            return SQLITE_BUSY;
        },
        [] { return true; });
    EXPECT_EQ(result, PassResult::Incomplete);
    EXPECT_EQ(nPasses, kStorePassTries);
    auto problems = TakeDeviceProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].status, DeviceStatus::Unreadable);
    EXPECT_NE(problems[0].strText.find("could not be read completely (database is locked)"), std::string::npos)
        << problems[0].strText;
}

// The call log shows what a damaged store holds before the damage, and says
// so; a store left by an interrupted import shows nothing, and says why.
TEST_F(StoreReadTest, TheCallLogTellsOfDamageAndOfAnInterruptedImport)
{
    std::string strPath = m_dir.File("damaged.db");
    {
        CDeviceStore store;
        ASSERT_EQ(store.Create(strPath), DeviceStatus::Ok);
        std::vector<DeviceCall> calls;
        for (int i = 0; i < 3000; ++i)
            calls.push_back(MakeTestCall("Anna", "+4930", 1, UtcTicks(2026, 1, 1) + i * kTicksPerSecond));
        ASSERT_EQ(store.AddCalls(calls), 0);
    }
    DamageTablePages(strPath, "calllog", 2);

    auto count = [] {
        HANDLE h = nullptr;
        EXPECT_EQ(PhoneOpenCallLog(&h), 0);
        DWORD nRecords = 0;
        for (CALLLOGENTRY entry {}; PhoneGetCallLogEntry(h, &entry) == 0; entry = CALLLOGENTRY {}) {
            LocalFree(entry.pszName);
            LocalFree(entry.pszNumber);
            ++nRecords;
        }
        PhoneCloseCallLog(h);
        return nRecords;
    };
    {
        CEnvVar device("RINGTALLY_DEVICE", strPath);
        DWORD nShown = count();
        EXPECT_GT(nShown, 0u);
        EXPECT_LT(nShown, 3000u);
    }
    auto problems = TakeDeviceProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].status, DeviceStatus::Corrupt);

    std::string strInterrupted = m_dir.File("interrupted.db");
    {
        CDeviceStore store;
        ASSERT_EQ(store.Create(strInterrupted), DeviceStatus::Ok);
        ASSERT_EQ(store.AddCalls({MakeTestCall("Anna", "+4930", 1, UtcTicks(2026, 1, 1))}), 0);
    }
    LeaveInterruptedWrite(strInterrupted);
    {
        CEnvVar device("RINGTALLY_DEVICE", strInterrupted);
        EXPECT_EQ(count(), 0u);
    }
    problems = TakeDeviceProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].status, DeviceStatus::Interrupted);
    EXPECT_NE(problems[0].strText.find(strInterrupted + ": an import into it was interrupted"), std::string::npos)
        << problems[0].strText;
    EXPECT_NE(problems[0].strText.find("ringtally-device"), std::string::npos) << problems[0].strText;
}

// The check beside the screens reads every page, so damage where no screen
// reads is told as well; a sound store is told nothing.
TEST_F(StoreReadTest, TheCheckBesideTheScreensFindsDamageAnywhere)
{
    std::string strSound = MakeWalStore(3000);
    StartDeviceCheck(strSound);
    WaitForDeviceCheck();
    EXPECT_TRUE(TakeDeviceProblems().empty());

    // Leaves of the calls' index, which a pass in table order never reads.
    std::string strDamaged = m_dir.File("damaged.db");
    std::filesystem::copy_file(strSound, strDamaged);
    DamageTablePages(strDamaged, "calllog_order", 1);
    {
        CDeviceStore reader;
        ASSERT_EQ(reader.OpenReadOnly(strDamaged, StoreCheck::Schema), DeviceStatus::Ok);
        EXPECT_EQ(reader.Database().QueryInt("SELECT sum(iom) FROM calllog"), 3000);
    }
    StartDeviceCheck(strDamaged);
    WaitForDeviceCheck();
    auto problems = TakeDeviceProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].status, DeviceStatus::Corrupt);
    EXPECT_NE(problems[0].strText.find(strDamaged + " is damaged ("), std::string::npos) << problems[0].strText;
}

class StoreReadMapiTest : public MapiTest
{};

// A session opened on a store in WAL mode with no writer reads it without
// locks. After an import its connection is opened anew in place, under the
// folder and the store that the session holds open, which read on through
// the new one.
TEST_F(StoreReadMapiTest, ASessionSeesAnImportThatCameAfterItOpened)
{
    WaitForDeviceCheck();
    ResetDeviceProblems();
    int64_t nInbox = m_device.Inbox();
    std::vector<DeviceMessage> messages;
    for (int i = 0; i < 50; ++i)
        messages.push_back({nInbox, "Anna", {}, UtcTicks(2024, 5, 1) + i, {}, {}});
    ASSERT_EQ(m_device.Store().AddMessages(messages), 0);
    ASSERT_EQ(m_device.Store().Database().Exec("PRAGMA journal_mode = WAL"), SQLITE_OK);
    Bytes storeEntry = StoreEntry();
    Bytes folderEntry = FolderEntry(nInbox);
    m_device.Store().Close();

    CSessionGuard session;
    IMsgStore* pStore = OpenStore(session.Get(), storeEntry);
    IMAPIFolder* pFolder = OpenFolder(pStore, folderEntry);
    ASSERT_NE(pFolder, nullptr);
    {
        CForeignWriter writer(m_device.Path());
        for (int i = 0; i < 30; ++i)
            writer.Exec("INSERT INTO message (folder_id, sender_name, delivery_time) VALUES (" +
                        std::to_string(nInbox) + ", 'Bert', " + std::to_string(UtcTicks(2024, 6, 1) + i) + ")");
    }
    IMAPITable* pTable = nullptr;
    ASSERT_EQ(pFolder->GetContentsTable(0, &pTable), S_OK);
    int nRows = 0;
    for (std::vector<Prop> row; !(row = NextRow(pTable)).empty();)
        ++nRows;
    pTable->Release();
    EXPECT_EQ(nRows, 80);
    pFolder->Release();
    pStore->Release();
    EXPECT_TRUE(TakeDeviceProblems().empty());
}

} // namespace
