#include "device/StoreRescue.h"

#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// A store of nCalls calls whose values follow from their ids, with a column
// of the importer's, a second message store and messages with recipients.
void MakeStore(const std::string& strPath, int nCalls)
{
    CDeviceStore store;
    ASSERT_EQ(store.Create(strPath), DeviceStatus::Ok) << store.ErrorText();
    CDatabase& db = store.Database();
    ASSERT_EQ(db.Exec("ALTER TABLE calllog ADD COLUMN backup_type INTEGER"), SQLITE_OK);
    std::string strCalls = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                           std::to_string(nCalls) +
                           ") INSERT INTO calllog (id, start_time, end_time, iom, number, name, note, backup_type) "
                           "SELECT i, i * 1000, i * 1000 + 60, i % 3, '+49' || i, 'Caller ' || (i % 7), "
                           "printf('%.100c', 'n'), i % 5 FROM n";
    ASSERT_EQ(db.Exec(strCalls.c_str()), SQLITE_OK) << db.LastError();
    ASSERT_GT(store.AddStore(std::string("MMS")), 0);
    DeviceMessage message;
    message.nFolderId = store.FindFolder("MMS", "sent");
    message.nDeliveryTime = 5000;
    message.strBody = "Hi";
    message.recipients = {{"Anna", "+49301"}, {std::nullopt, "+49302"}};
    ASSERT_EQ(store.AddMessages({message, message}), 0);
}

std::vector<std::string> Rows(CDatabase& db, const std::string& strTable)
{
    std::vector<std::string> rows;
    CStatement stmt(db, ("SELECT * FROM " + strTable + " ORDER BY 1, 2").c_str());
    while (stmt.Step() == SQLITE_ROW) {
        std::string strRow;
        for (int i = 0; i < stmt.ColumnCount(); ++i)
            strRow += (stmt.ColumnIsNull(i) ? "NULL" : stmt.ColumnText(i).value_or("")) + "|";
        rows.push_back(strRow);
    }
    return rows;
}

} // namespace

TEST(StoreRescue, ASoundStoreIsCopiedWhole)
{
    CTempDir dir;
    MakeStore(dir.File("old.db"), 50);
    CDeviceStore from;
    ASSERT_EQ(from.OpenForExamining(dir.File("old.db")), DeviceStatus::Ok) << from.ErrorText();
    CStoreRescue rescue;
    ASSERT_EQ(rescue.Run(from, dir.File("new.db")), 0) << rescue.ErrorText();

    ASSERT_EQ(rescue.Tables().size(), 5u);
    CDeviceStore to;
    ASSERT_EQ(to.OpenReadOnly(dir.File("new.db")), DeviceStatus::Ok) << to.ErrorText();
    for (size_t i = 0; i < 5; ++i) {
        const RescuedTable& table = rescue.Tables()[i];
        EXPECT_EQ(table.strName, kDeviceTables[i]);
        EXPECT_TRUE(table.Whole()) << table.strName << ": " << table.strError;
        std::vector<std::string> rows = Rows(from.Database(), kDeviceTables[i]);
        EXPECT_EQ(table.nRows, static_cast<int64_t>(rows.size())) << table.strName;
        EXPECT_EQ(Rows(to.Database(), kDeviceTables[i]), rows) << table.strName;
    }
    EXPECT_EQ(to.Database().QueryInt("SELECT count(*) FROM calllog WHERE backup_type IS NOT NULL"), 50);

    StoreCheckReport report;
    ASSERT_EQ(to.Check(dir.File("new.db"), &report), DeviceStatus::Ok) << to.ErrorText();
    EXPECT_TRUE(report.Sound()) << testing::PrintToString(report.problems);

    // The new store is never one that exists.
    CStoreRescue again;
    EXPECT_EQ(again.Run(from, dir.File("new.db")), -1);
    EXPECT_NE(again.ErrorText().find("already exists"), std::string::npos) << again.ErrorText();
    EXPECT_EQ(again.Tables().size(), 0u);
}

// Rows on damaged pages are lost; the copy goes on with the first row after
// them, and every row it copies is the row that was written.
TEST(StoreRescue, TheCopyGoesOnPastDamagedPages)
{
    CTempDir dir;
    std::string strOld = dir.File("old.db");
    MakeStore(strOld, 3000);
    std::string strBytes = ReadFile(strOld);
    ASSERT_GT(strBytes.size(), 60u * 4096);
    // Pages in the middle of the calls, and their ends at the page size.
    size_t nDamage = strBytes.size() / 2 / 4096 * 4096;
    for (size_t i = nDamage; i < nDamage + 3 * 4096; ++i)
        strBytes[i] = static_cast<char>(0x5A);
    WriteFile(strOld, strBytes);
    std::string strDamaged = ReadFile(strOld);

    CDeviceStore from;
    ASSERT_EQ(from.OpenForExamining(strOld), DeviceStatus::Ok) << from.ErrorText();
    CStoreRescue rescue;
    ASSERT_EQ(rescue.Run(from, dir.File("new.db")), 0) << rescue.ErrorText();
    const RescuedTable& calls = rescue.Tables()[2];
    EXPECT_EQ(calls.strName, "calllog");
    EXPECT_GE(calls.nGaps, 1);
    EXPECT_FALSE(calls.strError.empty());
    EXPECT_GT(calls.nRows, 2800);
    EXPECT_LT(calls.nRows, 3000);
    for (size_t i : {0u, 1u, 3u, 4u})
        EXPECT_TRUE(rescue.Tables()[i].Whole()) << rescue.Tables()[i].strName;
    EXPECT_EQ(ReadFile(strOld), strDamaged) << "the damaged store is left as it is";

    CDeviceStore to;
    ASSERT_EQ(to.OpenReadOnly(dir.File("new.db")), DeviceStatus::Ok) << to.ErrorText();
    CDatabase& db = to.Database();
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM calllog"), calls.nRows);
    EXPECT_EQ(db.QueryInt("SELECT min(id) FROM calllog"), 1);
    EXPECT_EQ(db.QueryInt("SELECT max(id) FROM calllog"), 3000);
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM calllog WHERE start_time != id * 1000 OR end_time != id * 1000 + 60 "
                          "OR iom != id % 3 OR number != '+49' || id OR name != 'Caller ' || (id % 7) "
                          "OR note != printf('%.100c', 'n') OR backup_type != id % 5"),
              0);
    // The lost rows are one run of ids, those of the damaged pages.
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM calllog a WHERE a.id < 3000 AND NOT EXISTS "
                          "(SELECT 1 FROM calllog b WHERE b.id = a.id + 1)"),
              calls.nGaps);
}

// A row that breaks the new store's rules (here, in a table that was made
// again without them) is left out and counted; the rest is copied.
TEST(StoreRescue, ARowThatTheNewStoreRefusesIsLeftOutAndCounted)
{
    CTempDir dir;
    std::string strOld = dir.File("old.db");
    MakeStore(strOld, 10);
    {
        CDatabase db;
        ASSERT_EQ(db.Open(strOld, SQLITE_OPEN_READWRITE), SQLITE_OK);
        ASSERT_EQ(db.Exec("PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = replace(sql, "
                          "'start_time INTEGER NOT NULL', 'start_time INTEGER') WHERE name = 'calllog'; "
                          "PRAGMA writable_schema = OFF"),
                  SQLITE_OK)
            << db.LastError();
        ASSERT_EQ(db.Open(strOld, SQLITE_OPEN_READWRITE), SQLITE_OK);
        ASSERT_EQ(db.Exec("UPDATE calllog SET start_time = NULL WHERE id IN (3, 7)"), SQLITE_OK) << db.LastError();
    }
    CDeviceStore from;
    ASSERT_EQ(from.OpenForExamining(strOld), DeviceStatus::Ok) << from.ErrorText();
    CStoreRescue rescue;
    ASSERT_EQ(rescue.Run(from, dir.File("new.db")), 0) << rescue.ErrorText();
    const RescuedTable& calls = rescue.Tables()[2];
    EXPECT_EQ(calls.nRows, 8);
    EXPECT_EQ(calls.nRefused, 2);
    EXPECT_EQ(calls.strRefusal, "NOT NULL constraint failed: calllog.start_time");
    EXPECT_EQ(calls.strError, "");
    CDeviceStore to;
    ASSERT_EQ(to.OpenReadOnly(dir.File("new.db")), DeviceStatus::Ok) << to.ErrorText();
    EXPECT_EQ(to.Database().QueryInt("SELECT count(*) FROM calllog WHERE id IN (3, 7)"), 0);
}

TEST(StoreRescue, ARescueThatReadsNothingLeavesNothing)
{
    CTempDir dir;
    std::string strOld = dir.File("old.db");
    MakeStore(strOld, 20);
    // The first page holds the schema after the file's header.
    std::string strBytes = ReadFile(strOld);
    for (size_t i = 100; i < 4096; ++i)
        strBytes[i] = static_cast<char>(0xFF);
    WriteFile(strOld, strBytes);

    CDeviceStore from;
    ASSERT_EQ(from.OpenForExamining(strOld), DeviceStatus::Ok) << from.ErrorText();
    CStoreRescue rescue;
    EXPECT_EQ(rescue.Run(from, dir.File("new.db")), -1);
    EXPECT_NE(rescue.ErrorText().find("nothing could be read"), std::string::npos) << rescue.ErrorText();
    EXPECT_EQ(rescue.ErrorText().rfind(dir.File("new.db") + ": ", 0), 0u) << rescue.ErrorText();
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.db")));
}
