#include "import/BackupWriter.h"
#include "tests/import/ImporterTestSupport.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace {

std::string Join(const std::vector<std::string>& lines)
{
    std::string strAll;
    for (const std::string& strLine : lines)
        strAll += strLine + '\n';
    return strAll;
}

BackupMessage Message(const char* pszStore, const char* pszRole, const char* pszKind, const char* pszBody,
                      std::optional<std::string> strId = std::nullopt)
{
    BackupMessage message;
    message.pszStore = pszStore;
    message.pszRole = pszRole;
    message.message.nDeliveryTime = UtcTicks(2024, 3, 1, 10);
    message.message.strBody = pszBody;
    message.message.recipients = {{std::string("Anna"), std::string("+491")}, {std::nullopt, std::string("+492")}};
    message.key = BackupMessageKey {pszKind, 2, "+491~+492", std::move(strId)};
    return message;
}

TEST(BackupWriter, EachRecordOnceHoweverOftenWritten)
{
    CTestDevice device;
    CDatabase& db = device.Store().Database();
    DeviceCall call = MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 3, 1, 10));
    DeviceCall noNumber = MakeTestCall(nullptr, nullptr, 0, UtcTicks(2024, 3, 1, 11));
    for (int nRun = 0; nRun < 2; ++nRun) {
        SCOPED_TRACE(nRun);
        CBackupWriter writer(device.Store());
        ASSERT_EQ(writer.Begin(), 0) << writer.ErrorText();
        ImportCounts calls, messages;
        for (const DeviceCall& one : {call, call, noNumber, noNumber})
            ASSERT_EQ(writer.WriteCall(one, 1, &calls), 0) << writer.ErrorText();
        // The same call as another type of the backup is another record.
        ASSERT_EQ(writer.WriteCall(call, 7, &calls), 0) << writer.ErrorText();
        for (const char* pszKind : {"sms", "sms", "mms", "mms"})
            ASSERT_EQ(writer.WriteMessage(Message("SMS", "sent", pszKind, "Hi"), &messages), 0) << writer.ErrorText();
        ASSERT_EQ(writer.WriteMessage(Message("MMS", "sent", "mms", "Hi", "m-1"), &messages), 0);
        ASSERT_EQ(writer.WriteMessage(Message("MMS", "sent", "mms", "Other text, same id", "m-1"), &messages), 0);
        ASSERT_EQ(writer.Commit(), 0) << writer.ErrorText();
        EXPECT_EQ(calls.nAdded, nRun == 0 ? 3 : 0);
        EXPECT_EQ(calls.nDuplicates, nRun == 0 ? 2 : 5);
        EXPECT_EQ(messages.nAdded, nRun == 0 ? 3 : 0);
        EXPECT_EQ(messages.nDuplicates, nRun == 0 ? 3 : 6);
    }
    EXPECT_EQ(QueryRows(db, "SELECT name, number, iom, backup_type FROM calllog ORDER BY id"),
              (std::vector<std::string> {"Anna|+491|1|1", "NULL|NULL|0|1", "Anna|+491|1|7"}));
    // The "MMS" store is made with its five folders on first use.
    EXPECT_EQ(QueryRows(db, "SELECT s.display_name, f.display_name, m.backup_kind, m.backup_type, m.backup_address, "
                            "m.backup_id, (SELECT group_concat(coalesce(display_name, '-') || '<' || email_address "
                            "|| '>', ' ') FROM recipient r WHERE r.message_id = m.id) FROM message m "
                            "JOIN folder f ON f.id = m.folder_id JOIN msgstore s ON s.id = f.store_id ORDER BY m.id"),
              (std::vector<std::string> {
                  "SMS|Sent Items|sms|2|+491~+492|NULL|Anna<+491> -<+492>",
                  "SMS|Sent Items|mms|2|+491~+492|NULL|Anna<+491> -<+492>",
                  "MMS|Sent Items|mms|2|+491~+492|m-1|Anna<+491> -<+492>",
              }));
    EXPECT_EQ(QueryRows(db, "SELECT count(*) FROM folder f JOIN msgstore s ON s.id = f.store_id "
                            "WHERE s.display_name = 'MMS'"),
              (std::vector<std::string> {"5"}));
}

TEST(BackupWriter, NothingStaysWithoutCommit)
{
    CTestDevice device;
    CDatabase& db = device.Store().Database();
    std::vector<std::string> before = DumpStore(db);
    {
        CBackupWriter writer(device.Store());
        ASSERT_EQ(writer.Begin(), 0) << writer.ErrorText();
        ImportCounts counts;
        ASSERT_EQ(writer.WriteCall(MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 3, 1, 10)), 1, &counts), 0);
        ASSERT_EQ(writer.WriteMessage(Message("MMS", "other", "mms", "Hi"), &counts), 0);
        EXPECT_EQ(counts.nAdded, 2);
    }
    EXPECT_EQ(DumpStore(db), before) << "rows, the new store and the backup columns all go again";
}

TEST(BackupWriter, AFailedWriteSaysSo)
{
    CTestDevice device;
    CDatabase& db = device.Store().Database();
    ASSERT_EQ(db.Exec("CREATE UNIQUE INDEX once_x ON recipient (email_address) WHERE email_address = '+492'"),
              SQLITE_OK);
    CBackupWriter writer(device.Store());
    ASSERT_EQ(writer.Begin(), 0) << writer.ErrorText();
    ImportCounts counts;
    EXPECT_EQ(writer.WriteMessage(Message("SMS", "sent", "sms", "Hi"), &counts), 0);
    EXPECT_EQ(writer.WriteMessage(Message("SMS", "sent", "sms", "Hi again"), &counts), -1);
    EXPECT_EQ(writer.ErrorText(), "cannot write the device store: UNIQUE constraint failed: recipient.email_address");

    // A store that is already in a transaction cannot start the writer's.
    CTestDevice busy;
    ASSERT_EQ(busy.Store().Database().Exec("BEGIN"), SQLITE_OK);
    CBackupWriter blocked(busy.Store());
    EXPECT_EQ(blocked.Begin(), -1);
    EXPECT_NE(blocked.ErrorText().find("cannot write the device store: "), std::string::npos);
    EXPECT_EQ(blocked.Commit(), -1);
}

// Written on the writer's thread, batch after batch, the records come out as
// when each is written at once: the same rows in the same order, the same
// counts, and a failure told by the first write after it, by Finish and by
// Commit, with the store as it was.
TEST(BackupWriter, WritingInTheBackgroundChangesNothing)
{
    // More records than a batch holds, and messages larger than a batch's
    // bytes, so that batches are handed over by both bounds.
    const std::string strLong(3 << 20, 'x');
    std::vector<std::string> dumps;
    for (WriteMode mode : {WriteMode::Direct, WriteMode::Background}) {
        SCOPED_TRACE(mode == WriteMode::Direct ? "direct" : "background");
        CTestDevice device;
        CDatabase& db = device.Store().Database();
        CBackupWriter writer(device.Store());
        ASSERT_EQ(writer.Begin(mode), 0) << writer.ErrorText();
        ImportCounts calls, messages;
        for (int i = 0; i < 2500; ++i) {
            // Every third call is the one before it again.
            int nCall = i - (i % 3 == 2);
            ASSERT_EQ(writer.WriteCall(MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 3, 1, 10) + nCall), 1, &calls), 0);
            if (i % 500 == 0) {
                BackupMessage message = Message("SMS", "inbox", "sms", strLong.c_str());
                message.message.nDeliveryTime = *message.message.nDeliveryTime + i;
                ASSERT_EQ(writer.WriteMessage(std::move(message), &messages), 0);
            }
            ASSERT_EQ(writer.WriteMessage(Message(i % 2 ? "SMS" : "MMS", "sent", "mms", "Hi", std::to_string(i)),
                                          &messages),
                      0);
        }
        ASSERT_EQ(writer.Commit(), 0) << writer.ErrorText();
        EXPECT_EQ(calls.nAdded, 1667);
        EXPECT_EQ(calls.nDuplicates, 833);
        EXPECT_EQ(messages.nAdded, 2505);
        EXPECT_EQ(messages.nDuplicates, 0);
        // Every row but the entry identifiers, which are random.
        std::string strDump;
        for (const char* pszSql : {"SELECT * FROM calllog ORDER BY id",
                                   "SELECT id, store_id, role FROM folder ORDER BY id",
                                   "SELECT id, folder_id, sender_name, subject, delivery_time, length(body), backup_kind, "
                                   "backup_type, backup_address, backup_id FROM message ORDER BY id",
                                   "SELECT * FROM recipient ORDER BY 1, 2"})
            strDump += Join(QueryRows(db, pszSql));
        dumps.push_back(strDump);
    }
    EXPECT_EQ(dumps[0], dumps[1]);

    CTestDevice device;
    CDatabase& db = device.Store().Database();
    ASSERT_EQ(db.Exec("CREATE UNIQUE INDEX once_x ON recipient (email_address) WHERE email_address = '+492'"),
              SQLITE_OK);
    std::vector<std::string> before = DumpStore(db);
    {
        CBackupWriter writer(device.Store());
        ASSERT_EQ(writer.Begin(WriteMode::Background), 0) << writer.ErrorText();
        ImportCounts counts;
        ASSERT_EQ(writer.WriteMessage(Message("SMS", "sent", "sms", "Hi"), &counts), 0);
        ASSERT_EQ(writer.WriteMessage(Message("SMS", "sent", "sms", "Hi again"), &counts), 0);
        int nWrite = 0;
        for (int i = 0; i < 100000 && nWrite == 0; ++i)
            nWrite = writer.WriteCall(MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 3, 1, 10) + i), 1, &counts);
        EXPECT_EQ(nWrite, -1) << "a write after the failure tells of it";
        EXPECT_EQ(writer.Finish(), -1);
        EXPECT_EQ(writer.ErrorText(),
                  "cannot write the device store: UNIQUE constraint failed: recipient.email_address");
        EXPECT_EQ(writer.Commit(), -1);
        EXPECT_EQ(counts.nAdded, 1) << "nothing after the failed record is written";
        EXPECT_EQ(counts.nDuplicates, 0);
    }
    EXPECT_EQ(DumpStore(db), before);
}

// What the writer reports as added is checked against what the store
// gained, in the same transaction before it commits; when they differ,
// nothing is committed.
TEST(BackupWriter, WhatIsAddedIsWhatTheStoreGained)
{
    CTestDevice device;
    CDatabase& db = device.Store().Database();
    ASSERT_EQ(device.Store().AddCalls({MakeTestCall("Old", "+490", 1, UtcTicks(2024, 1, 1))}), 0);
    struct Case {
        const char* pszName;
        const char* pszMeddling; // run inside the writer's transaction
        const char* pszError;
    };
    const Case kCases[] = {
        {"as written", nullptr, nullptr},
        {"a call gone", "DELETE FROM calllog WHERE name = 'Anna'",
         "the store gained 0 call records and 1 messages where 1 and 1 were added"},
        {"a message more", "INSERT INTO message (folder_id) SELECT min(id) FROM folder",
         "the store gained 1 call records and 2 messages where 1 and 1 were added"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.pszName);
        std::vector<std::string> before = DumpStore(db);
        CBackupWriter writer(device.Store());
        ASSERT_EQ(writer.Begin(), 0) << writer.ErrorText();
        ImportCounts counts;
        ASSERT_EQ(writer.WriteCall(MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 3, 1, 10)), 1, &counts), 0);
        ASSERT_EQ(writer.WriteCall(MakeTestCall("Anna", "+491", 1, UtcTicks(2024, 3, 1, 10)), 1, &counts), 0);
        ASSERT_EQ(writer.WriteMessage(Message("SMS", "inbox", "sms", "Hi"), &counts), 0);
        EXPECT_EQ(counts.nAdded, 2);
        if (c.pszMeddling) {
            ASSERT_EQ(db.Exec(c.pszMeddling), SQLITE_OK) << db.LastError();
        }
        if (!c.pszError) {
            EXPECT_EQ(writer.Commit(), 0) << writer.ErrorText();
            EXPECT_EQ(QueryRows(db, "SELECT count(*) FROM calllog"), std::vector<std::string> {"2"});
            ASSERT_EQ(db.Exec("DELETE FROM recipient; DELETE FROM message; DELETE FROM calllog WHERE name = 'Anna'"),
                      SQLITE_OK);
            continue;
        }
        EXPECT_EQ(writer.Commit(), -1);
        EXPECT_NE(writer.ErrorText().find(c.pszError), std::string::npos) << writer.ErrorText();
        EXPECT_NE(writer.ErrorText().find("nothing imported"), std::string::npos) << writer.ErrorText();
        EXPECT_EQ(DumpStore(db), before);
    }
}

} // namespace
