#include "import/ImportReport.h"
#include "import/android/BackupImporter.h"
#include "tests/import/ImporterTestSupport.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

namespace {

class BackupImporterTest : public ::testing::Test
{
protected:
    int Import(const std::string& strPath, bool bSalvage = false)
    {
        CBackupImporter importer(m_device.Store());
        ImportOptions options;
        options.bSalvage = bSalvage;
        int nResult = importer.ImportFile(strPath, options, &m_report);
        m_strError = importer.ErrorText();
        return nResult;
    }
    std::vector<std::string> Rows(const std::string& strSql) { return QueryRows(m_device.Store().Database(), strSql); }
    std::vector<std::string> Dump() { return DumpStore(m_device.Store().Database()); }

    CTestDevice m_device;
    CTempDir m_dir;
    ImportReport m_report;
    std::string m_strError;
};

TEST_F(BackupImporterTest, EveryCallTypeAndEveryUnnamedContact)
{
    ASSERT_EQ(Import(DataFile("calls-all-types.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::Calls);
    EXPECT_EQ(m_report.calls.nRead, 11);
    EXPECT_EQ(m_report.calls.nAdded, 10);
    EXPECT_EQ(m_report.calls.nUndated, 1);

    int64_t nFirst = UtcTicks(2024, 3, 1, 10);
    EXPECT_EQ(Rows("SELECT min(start_time) FROM calllog"), (std::vector<std::string> {std::to_string(nFirst)}));
    // Type, direction, name (absent, empty, "(Unknown)" and "null" give none),
    // number (empty gives none), talk time, caller-id type.
    EXPECT_EQ(Rows("SELECT backup_type, iom, name, number, (end_time - start_time) / 10000000, cidt, "
                   "(start_time - " + std::to_string(nFirst) + ") / 36000000000 FROM calllog ORDER BY start_time"),
              (std::vector<std::string> {
                  "1|1|Anna Adler|+4930111111|65|2|0",
                  "2|2|Ben Berger|+4930222222|120|2|1",
                  "3|0|Anna Adler|+4930111111|0|2|2",
                  "4|0|NULL|+4930333333|0|2|3",
                  "5|0|NULL|+4930444444|0|2|4",
                  "6|0|NULL|+4930555555|0|2|5",
                  "7|1|NULL|+4930666666|42|2|6",
                  "1|1|NULL|NULL|0|1|7",
                  "9|0|Carla Costa|+4930777777|5|0|8",
                  "0|0|NULL|+4930888888|7|2|9",
              }));
}

TEST_F(BackupImporterTest, MessagesGoToTheirStoresAndFolders)
{
    ASSERT_EQ(Import(DataFile("messages-mixed.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::Messages);
    EXPECT_EQ(m_report.sms.nAdded, 9);
    EXPECT_EQ(m_report.mms.nAdded, 3);
    EXPECT_EQ(m_report.nMediaParts, 1);
    EXPECT_EQ(m_report.nMediaBytes, 136);
    EXPECT_EQ(m_report.nLoneHalves, 2);
    EXPECT_EQ(m_report.nDroppedControls, 2);

    EXPECT_EQ(Rows("SELECT s.display_name, f.role, count(m.id) FROM folder f JOIN msgstore s ON s.id = f.store_id "
                   "LEFT JOIN message m ON m.folder_id = f.id GROUP BY f.id HAVING count(m.id) > 0 ORDER BY f.id"),
              (std::vector<std::string> {"SMS|inbox|2", "SMS|sent|2", "SMS|outbox|3", "SMS|drafts|1", "SMS|other|1",
                                         "MMS|inbox|2", "MMS|sent|1"}));
    // Inbox: the contact's name, else the address; sent items: one recipient
    // per address, named where the backup names them.
    EXPECT_EQ(Rows("SELECT m.sender_name, m.subject, m.body, group_concat(r.display_name || '<' || r.email_address "
                   "|| '>', ' ') FROM message m LEFT JOIN recipient r ON r.message_id = m.id "
                   "GROUP BY m.id ORDER BY m.id"),
              (std::vector<std::string> {
                  "Anna Adler|NULL|Hi there \xF0\x9F\x98\x80 see you|NULL",
                  "+4930222222|NULL|lone high \xEF\xBF\xBD and lone low \xEF\xBF\xBD!|NULL",
                  "NULL|NULL|To both of you|Anna Adler<+4930111111> Ben Berger<+4930222222>",
                  "NULL|Plans|Line one\nline two|Anna Adler<+4930111111>",
                  "NULL|NULL|A draft|+4930333333<+4930333333>",
                  "NULL|NULL|Waiting to go|+4930333333<+4930333333>",
                  "NULL|NULL|Failed to go|+4930333333<+4930333333>",
                  "NULL|NULL|Queued|+4930333333<+4930333333>",
                  "+4930444444|NULL|Of a type no phone has told us about|NULL",
                  // The owner's number, which the group's own address list
                  // leaves out, is left out of its recipients.
                  "Ben Berger|NULL|Just to you|NULL",
                  "Anna Adler|NULL|Group hello \xF0\x9F\x99\x82|Ben Berger<+4930222222>",
                  "NULL|Saturday|Reply to the group|Anna Adler<+4930111111> Ben Berger<+4930222222>",
              }));
    // An MMS date below 10^11 is in seconds.
    EXPECT_EQ(Rows("SELECT delivery_time FROM message WHERE body = 'Just to you'"),
              (std::vector<std::string> {std::to_string(UtcTicks(2024, 3, 1, 10, 46, 40))}));
}

TEST_F(BackupImporterTest, TheSameFilesTwiceAddNothing)
{
    ASSERT_EQ(Import(DataFile("calls-all-types.xml")), 0) << m_strError;
    ASSERT_EQ(Import(DataFile("messages-mixed.xml")), 0) << m_strError;
    std::vector<std::string> before = Dump();
    ASSERT_EQ(Import(DataFile("calls-all-types.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 0);
    EXPECT_EQ(m_report.calls.nDuplicates, 10);
    ASSERT_EQ(Import(DataFile("messages-mixed.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.sms.nDuplicates, 9);
    EXPECT_EQ(m_report.mms.nDuplicates, 3);
    EXPECT_EQ(Dump(), before);
}

TEST_F(BackupImporterTest, OverlappingBackupsMerge)
{
    ASSERT_EQ(Import(DataFile("calls-older.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 3);
    ASSERT_EQ(Import(DataFile("calls-newer.xml")), 0) << m_strError;
    // Two calls of the older file again (one without a number), one that
    // differs only in its duration, and one new.
    EXPECT_EQ(m_report.calls.nDuplicates, 2);
    EXPECT_EQ(m_report.calls.nAdded, 2);
    EXPECT_EQ(Rows("SELECT count(*) FROM calllog"), (std::vector<std::string> {"5"}));
}

TEST_F(BackupImporterTest, TheKeysHoldForEveryWriter)
{
    ASSERT_EQ(Import(DataFile("calls-older.xml")), 0) << m_strError;
    CDatabase& db = m_device.Store().Database();
    std::string strCopy = "INSERT INTO calllog (start_time, end_time, iom, number, name, backup_type) "
                          "SELECT start_time, end_time, iom, number, 'Someone Else', backup_type FROM calllog "
                          "WHERE id = 1";
    EXPECT_NE(db.Exec(strCopy.c_str()), 0) << "a call with the same backup key";
    EXPECT_EQ(db.Exec("INSERT INTO calllog (start_time, end_time, iom) VALUES (1, 1, 0); "
                      "INSERT INTO calllog (start_time, end_time, iom) VALUES (1, 1, 0)"),
              0)
        << "records that come from no backup may repeat";
    EXPECT_NE(db.Exec("INSERT INTO message (folder_id, delivery_time, body, backup_kind, backup_type, backup_address) "
                      "VALUES (1, 5, 'x', 'sms', 1, '+49'); "
                      "INSERT INTO message (folder_id, delivery_time, body, backup_kind, backup_type, backup_address) "
                      "VALUES (2, 5, 'x', 'sms', 1, '+49')"),
              0);
}

TEST_F(BackupImporterTest, DatesWrittenInSecondsAreRepairedAndCounted)
{
    ASSERT_EQ(Import(DataFile("calls-dates-in-seconds.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 4);
    EXPECT_EQ(m_report.calls.nDatesInSeconds, 2);
    // The third one's readable date tells that it means January 1970.
    EXPECT_EQ(Rows("SELECT number, start_time FROM calllog ORDER BY id"),
              (std::vector<std::string> {
                  "+4930111111|" + std::to_string(UtcTicks(2017, 2, 1, 3, 51, 24)),
                  "+4930222222|" + std::to_string(UtcTicks(2017, 2, 1, 3, 53, 4)),
                  "+4930333333|" + std::to_string(UtcTicks(1970, 1, 18, 4, 45, 21, 284)),
                  "+4930111111|" + std::to_string(UtcTicks(2017, 2, 1, 3, 56, 24)),
              }));

    std::string strXml = "<smses><sms date='1485921084' type='1' body='a' readable_date='1 Feb 2017 04:51:24'/>"
                         "<sms date='1485921084' type='1' body='b' readable_date='1 Feb 2019 04:51:24'/></smses>";
    ASSERT_EQ(Import(WriteFile(m_dir.File("sms.xml"), strXml)), 0) << m_strError;
    EXPECT_EQ(m_report.sms.nDatesInSeconds, 1);
    EXPECT_EQ(Rows("SELECT body, delivery_time FROM message ORDER BY id"),
              (std::vector<std::string> {"a|" + std::to_string(UtcTicks(2017, 2, 1, 3, 51, 24)),
                                         "b|" + std::to_string(UtcTicks(1970, 1, 18, 4, 45, 21, 84))}));

    ASSERT_EQ(Import(DataFile("calls-dates-in-seconds.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nDuplicates, 4);
}

TEST_F(BackupImporterTest, RecognisedByContentNotByName)
{
    std::string strPath = m_dir.File("sms-backup.xml");
    std::filesystem::copy_file(DataFile("calls-older.xml"), strPath);
    ASSERT_EQ(Import(strPath), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::Calls);
    EXPECT_EQ(m_report.calls.nAdded, 3);
}

TEST_F(BackupImporterTest, RefusedFilesLeaveTheStoreAsItWas)
{
    ASSERT_EQ(Import(DataFile("calls-older.xml")), 0) << m_strError;
    std::vector<std::string> before = Dump();
    struct Case {
        std::string strPath;
        const char* pszError;
    };
    const Case kCases[] = {
        {DataFile("doctype.xml"), "document type declaration (line 2)"},
        {DataFile("not-a-backup.xml"), "not a calls or messages backup (its root element is <contacts>)"},
        {DataFile("calls-truncated.xml"), "truncated at line 6, column 55"},
        {WriteFile(m_dir.File("empty.xml"), ""), "is empty"},
        {WriteFile(m_dir.File("bad.xml"),
                   "<calls>\n<call number=\"1\" date=\"1709287200000\" type=\"1\"/>\n<call a=\"1\"></cal>\n</calls>\n"),
         "not well-formed XML at line 3, column 15: mismatched tag"},
        {WriteFile(m_dir.File("utf16.xml"), std::string("\xFF\xFE<\0c\0", 6)), "UTF-16"},
        {WriteFile(m_dir.File("utf16be.xml"), std::string("\0<", 2)), "UTF-16"},
        // A single byte is too short to be UTF-16, whatever it is.
        {WriteFile(m_dir.File("one-nul.xml"), std::string(1, '\0')), "has no root element"},
        {WriteFile(m_dir.File("one-less.xml"), "<"), "has no root element"},
        {WriteFile(m_dir.File("one-byte.xml"), "x"), "not well-formed XML at line 1, column 1"},
        {m_dir.File("missing.xml"), "cannot be opened"},
        {m_dir.Path(), "is a folder"},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(Import(c.strPath), -1) << c.strPath;
        EXPECT_NE(m_strError.find(c.pszError), std::string::npos) << m_strError;
        EXPECT_EQ(m_strError.rfind(c.strPath + ": ", 0), 0u) << m_strError;
        EXPECT_EQ(Dump(), before) << c.strPath;
    }
    EXPECT_EQ(Rows("SELECT count(*) FROM calllog WHERE name LIKE '%Expanded%'"), (std::vector<std::string> {"0"}));
}

TEST_F(BackupImporterTest, AStoreThatRefusesARowFailsTheWholeFile)
{
    // An index of the user's own that the file's second message to this
    // number breaks.
    CDatabase& db = m_device.Store().Database();
    ASSERT_EQ(db.Exec("CREATE UNIQUE INDEX one_to_ceasar ON recipient (email_address) "
                      "WHERE email_address = '+4930333333'"),
              0);
    std::vector<std::string> before = Dump();
    EXPECT_EQ(Import(DataFile("messages-mixed.xml")), -1);
    EXPECT_EQ(m_strError, DataFile("messages-mixed.xml") +
                              ": cannot write the device store: UNIQUE constraint failed: recipient.email_address");
    EXPECT_EQ(Dump(), before);

    // The store is written while the file is read on, and the row that it
    // refuses comes before the place where this copy breaks off: the file
    // fails on the row, as when it is read no further.
    std::string strText = ReadFile(DataFile("messages-mixed.xml"));
    std::string strPath = WriteFile(m_dir.File("broken.xml"), strText.substr(0, strText.size() - 20) + "<");
    EXPECT_EQ(Import(strPath), -1);
    EXPECT_EQ(m_strError, strPath + ": cannot write the device store: UNIQUE constraint failed: recipient.email_address");
    EXPECT_EQ(Dump(), before);
}

// A store's own triggers would run with the importer's rights on every row
// it writes, and could make its report untrue (one that deletes each new
// row left "added" counts and no rows); views may carry triggers of their
// own. The importer writes into no store that holds either.
TEST_F(BackupImporterTest, AStoreWithTriggersOrViewsIsRefused)
{
    CDatabase& db = m_device.Store().Database();
    ASSERT_EQ(db.Exec("CREATE TRIGGER undo_calls AFTER INSERT ON calllog BEGIN DELETE FROM calllog WHERE id = NEW.id; "
                      "END; CREATE VIEW recent AS SELECT * FROM calllog ORDER BY start_time DESC LIMIT 10"),
              0);
    std::vector<std::string> before = Dump();
    EXPECT_EQ(Import(DataFile("calls-all-types.xml")), -1);
    EXPECT_NE(m_strError.find("cannot write the device store: the store holds triggers or views that "
                              "ringtally-device did not make, which would act on what it writes: trigger undo_calls, "
                              "view recent; nothing imported"),
              std::string::npos)
        << m_strError;
    EXPECT_EQ(Dump(), before);

    ASSERT_EQ(db.Exec("DROP TRIGGER undo_calls"), 0);
    EXPECT_EQ(Import(DataFile("calls-all-types.xml")), -1);
    EXPECT_NE(m_strError.find("would act on what it writes: view recent;"), std::string::npos) << m_strError;

    ASSERT_EQ(db.Exec("DROP VIEW recent"), 0);
    ASSERT_EQ(Import(DataFile("calls-all-types.xml")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 10);
    EXPECT_EQ(Rows("SELECT count(*) FROM calllog"), (std::vector<std::string> {"10"}));
}

TEST_F(BackupImporterTest, TruncatedFileIsRefusedThenSalvaged)
{
    EXPECT_EQ(Import(DataFile("calls-truncated.xml")), -1);
    EXPECT_NE(m_strError.find("line 6, column 55"), std::string::npos) << m_strError;
    EXPECT_NE(m_strError.find("3 complete records"), std::string::npos) << m_strError;
    EXPECT_EQ(Rows("SELECT count(*) FROM calllog"), (std::vector<std::string> {"0"}));

    ASSERT_EQ(Import(DataFile("calls-truncated.xml"), true), 0) << m_strError;
    EXPECT_TRUE(m_report.bTruncated);
    EXPECT_EQ(m_report.nBreakLine, 6);
    EXPECT_EQ(m_report.nBreakColumn, 55);
    EXPECT_EQ(m_report.calls.nAdded, 3);
    EXPECT_EQ(Rows("SELECT count(*) FROM calllog"), (std::vector<std::string> {"3"}));
}

TEST_F(BackupImporterTest, AStoreGetsTheBackupColumnsAndIndexesWithItsFirstImport)
{
    // A new store holds the documented schema alone; the first import adds
    // what de-duplication needs, inside its own transaction.
    CTestDevice fresh;
    CDatabase& db = fresh.Store().Database();
    std::vector<std::string> oldSchema = DumpStore(db);

    CBackupImporter importer(fresh.Store());
    ImportReport report;
    EXPECT_EQ(importer.ImportFile(DataFile("doctype.xml"), ImportOptions {}, &report), -1);
    EXPECT_EQ(DumpStore(db), oldSchema) << "a failed import takes its schema changes back too";

    ASSERT_EQ(importer.ImportFile(DataFile("messages-mixed.xml"), ImportOptions {}, &report), 0) << importer.ErrorText();
    EXPECT_EQ(QueryRows(db, "SELECT name FROM sqlite_schema WHERE type = 'index' AND name LIKE '%key' OR "
                            "name = 'calllog_backup_id' ORDER BY 1"),
              (std::vector<std::string> {"calllog_backup_id", "calllog_backup_key", "calllog_service_key",
                                         "message_ios_key", "message_ios_text_key", "message_mms_key",
                                         "message_mms_text_key", "message_sms_key"}));
    EXPECT_EQ(QueryRows(db, "SELECT m.name || '.' || p.name FROM sqlite_schema m, pragma_table_info(m.name) p "
                            "WHERE m.type = 'table' AND p.name LIKE 'backup%' ORDER BY 1"),
              (std::vector<std::string> {"calllog.backup_id", "calllog.backup_service", "calllog.backup_type",
                                         "message.backup_address", "message.backup_id", "message.backup_kind",
                                         "message.backup_type"}));
    EXPECT_EQ(QueryRows(db, "PRAGMA application_id"), (std::vector<std::string> {"1381256281"}));
    EXPECT_EQ(QueryRows(db, "PRAGMA user_version"), (std::vector<std::string> {"1"}));
    ASSERT_EQ(importer.ImportFile(DataFile("messages-mixed.xml"), ImportOptions {}, &report), 0);
    EXPECT_EQ(report.sms.nDuplicates, 9);
}

TEST_F(BackupImporterTest, MediaStreamsPastWithoutBeingHeld)
{
    // One MMS whose picture spans many read chunks, around a surrogate pair.
    std::string strData(9 * 1000 * 1000, 'Q');
    std::string strFile = "<smses>\n<mms date=\"1709300000000\" msg_box=\"1\" m_id=\"big\"><parts>"
                          "<part ct=\"image/jpeg\" data=\"" + strData + "\"/><part ct=\"text/plain\" "
                          "text=\"&#55357;&#56832;\"/></parts><addrs><addr address=\"+491\" type=\"137\"/>"
                          "</addrs></mms>\n</smses>\n";
    std::string strPath = WriteFile(m_dir.File("big.xml"), strFile);
    std::vector<uint64_t> progress;
    CBackupImporter importer(m_device.Store());
    ImportOptions options;
    options.pfnProgress = [&](uint64_t nDone, uint64_t nTotal) {
        EXPECT_EQ(nTotal, strFile.size());
        progress.push_back(nDone);
    };
    ASSERT_EQ(importer.ImportFile(strPath, options, &m_report), 0) << importer.ErrorText();
    EXPECT_EQ(m_report.nMediaBytes, static_cast<int64_t>(strData.size()));
    EXPECT_EQ(m_report.nMediaParts, 1);
    ASSERT_GE(progress.size(), 9u);
    EXPECT_EQ(progress.back(), strFile.size());
    EXPECT_EQ(Rows("SELECT sender_name, body FROM message"), (std::vector<std::string> {"+491|\xF0\x9F\x98\x80"}));
}

TEST_F(BackupImporterTest, RecordsOverTheLimitAreLeftOutAndCounted)
{
    const std::string strBig(kMostRecordBytes + 1, 'x');
    std::string strXml = "<smses>\n<sms date='1709287200000' type='1' body='before'/>\n"
                         "<sms date='1709287300000' type='1' body='" + strBig + "'/>\n"
                         "<mms date='1709287400000' msg_box='1'><parts><part ct='text/plain' text='" + strBig +
                         "'/></parts></mms>\n<sms date='1709287500000' type='1' body='after'/>\n</smses>\n";
    ASSERT_EQ(Import(WriteFile(m_dir.File("large.xml"), strXml)), 0) << m_strError;
    EXPECT_EQ(m_report.sms.nRead, 3);
    EXPECT_EQ(m_report.sms.nAdded, 2);
    EXPECT_EQ(m_report.sms.nOversize, 1);
    EXPECT_EQ(m_report.mms.nRead, 1);
    EXPECT_EQ(m_report.mms.nAdded, 0);
    EXPECT_EQ(m_report.mms.nOversize, 1);
    EXPECT_EQ(Rows("SELECT body FROM message ORDER BY delivery_time"), (std::vector<std::string> {"before", "after"}));

    // The lines after a dropped record keep their numbers.
    std::vector<std::string> before = Dump();
    std::string strBad = "<calls>\n<call x='" + strBig + "'\n/>\n<call></cal>\n</calls>\n";
    EXPECT_EQ(Import(WriteFile(m_dir.File("bad.xml"), strBad)), -1);
    EXPECT_NE(m_strError.find("not well-formed XML at line 4, column 9: mismatched tag"), std::string::npos)
        << m_strError;

    // A record that breaks off while too large is no complete record.
    std::string strBroken = "<calls>\n<call date='1709287200000' type='1'/>\n<call x='" + strBig;
    EXPECT_EQ(Import(WriteFile(m_dir.File("broken.xml"), strBroken)), -1);
    EXPECT_NE(m_strError.find(": truncated at line 3, column " + std::to_string(strBig.size() + 10) + " (the file "
                              "breaks off before its end); 1 complete records before it"),
              std::string::npos)
        << m_strError;
    EXPECT_EQ(Dump(), before);
    ASSERT_EQ(Import(m_dir.File("broken.xml"), true), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nRead, 1);
    EXPECT_EQ(m_report.calls.nAdded, 1);
    EXPECT_EQ(m_report.calls.nOversize, 0);
}

TEST_F(BackupImporterTest, AnMmsBecomesTheSameWhateverComesBeforeIt)
{
    // Two received group MMS with the same addresses, one before and one
    // after an MMS sent from the owner's number; an old MMS without <addrs>;
    // one without a box, sent by its type.
    auto mms = [](const char* pszAttributes, const char* pszAddrs) {
        return std::string("<mms ") + pszAttributes + "><parts><part ct=\"text/plain\" text=\"x\"/></parts>" +
               pszAddrs + "</mms>\n";
    };
    const char* pszGroup = "<addrs><addr address=\"+491\" type=\"137\"/><addr address=\"+4930999000\" type=\"151\"/>"
                           "<addr address=\"+492\" type=\"151\"/></addrs>";
    std::string strXml = "<smses>\n" +
                         mms("date=\"1709300000000\" msg_box=\"1\" address=\"+491~+492\" contact_name=\"Anna, Ben\"",
                             pszGroup) +
                         mms("date=\"1709300100000\" msg_box=\"2\" address=\"+491\"",
                             "<addrs><addr address=\"+4930999000\" type=\"137\"/><addr address=\"+491\" "
                             "type=\"151\"/></addrs>") +
                         mms("date=\"1709300200000\" msg_box=\"1\" address=\"+491~+492\" contact_name=\"Anna, Ben\"",
                             pszGroup) +
                         mms("date=\"1709300300000\" msg_box=\"2\" address=\"+491~+493\" contact_name=\"Anna, Carla\"",
                             "") +
                         mms("date=\"1709300400000\" m_type=\"128\" address=\"+494\"",
                             "<addrs><addr address=\"insert-address-token\" type=\"137\"/><addr address=\"+494\" "
                             "type=\"151\"/></addrs>") +
                         "</smses>\n";
    ASSERT_EQ(Import(WriteFile(m_dir.File("order.xml"), strXml)), 0) << m_strError;
    EXPECT_EQ(m_report.mms.nAdded, 5);
    EXPECT_EQ(Rows("SELECT f.role, m.sender_name, group_concat(r.display_name || '<' || r.email_address || '>', ' ') "
                   "FROM message m JOIN folder f ON f.id = m.folder_id LEFT JOIN recipient r ON r.message_id = m.id "
                   "GROUP BY m.id ORDER BY m.delivery_time"),
              (std::vector<std::string> {
                  "inbox|Anna|Ben<+492>",
                  "sent|NULL|+491<+491>",
                  "inbox|Anna|Ben<+492>",
                  "sent|NULL|Anna<+491> Carla<+493>",
                  "sent|NULL|+494<+494>",
              }));
}

TEST_F(BackupImporterTest, AnMmsToThousandsKeepsThemAllOnce)
{
    const int kPeople = 5000;
    std::string strAddresses, strNames, strAddrs;
    for (int i = 0; i < kPeople; ++i) {
        std::string strNumber = "+4915" + std::to_string(10000000 + i);
        strAddresses += (i ? "~" : "") + strNumber;
        strNames += (i ? ", P" : "P") + std::to_string(i);
        strAddrs += "<addr address=\"" + strNumber + "\" type=\"151\"/>";
    }
    // Received by the owner and everyone else; the same one sent again.
    std::string strXml = "<smses>\n<mms date=\"1709300000000\" msg_box=\"1\" m_id=\"many\" address=\"" +
                         strAddresses + "\" contact_name=\"" + strNames + "\"><addrs><addr address=\"+4915" +
                         std::to_string(10000000 + kPeople - 1) + "\" type=\"137\"/>" + strAddrs +
                         "<addr address=\"+4930999000\" type=\"151\"/></addrs></mms>\n"
                         "<mms date=\"1709300000000\" msg_box=\"1\" m_id=\"many\"/>\n</smses>\n";
    std::string strPath = WriteFile(m_dir.File("many.xml"), strXml);
    ASSERT_EQ(Import(strPath), 0) << m_strError;
    EXPECT_EQ(m_report.mms.nAdded, 1);
    EXPECT_EQ(m_report.mms.nDuplicates, 1);
    EXPECT_EQ(Rows("SELECT sender_name FROM message"), (std::vector<std::string> {"P4999"}));
    EXPECT_EQ(Rows("SELECT count(*), count(DISTINCT email_address), min(position), max(position) FROM recipient"),
              (std::vector<std::string> {"5000|5000|0|4999"}));
    EXPECT_EQ(Rows("SELECT display_name, email_address FROM recipient WHERE position IN (0, 2500, 4999) "
                   "ORDER BY position"),
              (std::vector<std::string> {"P0|+491510000000", "P2500|+491510002500", "P4999|+491510004999"}));
    ASSERT_EQ(Import(strPath), 0) << m_strError;
    EXPECT_EQ(m_report.mms.nDuplicates, 2);
    EXPECT_EQ(Rows("SELECT count(*) FROM recipient"), (std::vector<std::string> {"5000"}));
}

} // namespace
