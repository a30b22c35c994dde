#include "import/ios/IosImporter.h"
#include "import/ImportReport.h"
#include "import/android/BackupImporter.h"
#include "tests/import/ImporterTestSupport.h"
#include "tests/import/ios/IosFixtures.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

std::string Ns(int64_t nAppleSeconds)
{
    return std::to_string(nAppleSeconds * 1000000000LL);
}

// The phone of these tests: Anna (a number written three ways and an
// e-mail address), a company by its name only, and strangers.
std::string ContactsSql()
{
    return std::string(kAddressBookSchema) + R"SQL(
INSERT INTO ABPerson VALUES (1, 'Anna', 'Adler', NULL), (2, NULL, NULL, 'Berger GmbH'), (3, NULL, NULL, NULL);
INSERT INTO ABMultiValue VALUES (1, 1, 3, 0, 1, '+49 170 1234567'), (2, 1, 4, 1, 2, 'Anna@Example.org'),
  (3, 2, 3, 0, 1, '030 2222222'), (4, 3, 3, 0, 1, '+49 171 5555555'), (5, 1, 5, 0, 1, '+49 160 7777777');
)SQL";
}

std::string CallsSql()
{
    auto Row = [](int nPk, const std::string& strDate, double dDuration, int nOriginated, int nAnswered,
                  const std::string& strAddress, const std::string& strName, int nType, const std::string& strProvider,
                  const std::string& strId) {
        return "INSERT INTO ZCALLRECORD (Z_PK, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZADDRESS, ZNAME, ZCALLTYPE, "
               "ZSERVICE_PROVIDER, ZUNIQUE_ID) VALUES (" +
               std::to_string(nPk) + ", " + strDate + ", " + std::to_string(dDuration) + ", " +
               std::to_string(nOriginated) + ", " + std::to_string(nAnswered) + ", " + strAddress + ", " + strName +
               ", " + std::to_string(nType) + ", " + strProvider + ", " + strId + ");\n";
    };
    auto At = [](int nHour) { return std::to_string(AppleSeconds(2024, 5, 1, nHour)) + ".25"; };
    return std::string(kCallHistorySchema) +
           Row(1, At(8), 65.5, 0, 1, "'01701234567'", "NULL", 1, "'com.apple.Telephony'", "'C1'") +
           Row(2, At(9), 120, 1, 1, "'(0170) 123-4567'", "'Anna A.'", 1, "'com.apple.Telephony'", "'C2'") +
           Row(3, At(10), 0, 0, 0, "'+4930 2222222'", "NULL", 1, "'com.apple.Telephony'", "'C3'") +
           Row(4, At(11), 30, 0, 1, "CAST('anna@example.org' AS BLOB)", "NULL", 8, "'com.apple.FaceTime'", "'C4'") +
           Row(5, At(12), 40, 1, 0, "'+4915199999999'", "NULL", 16, "'com.apple.FaceTime'", "'C5'") +
           Row(6, At(13), 50, 0, 1, "'+4915199999999'", "NULL", 1, "'net.example.Chat'", "NULL") +
           Row(7, "NULL", 10, 0, 1, "'+4915199999999'", "NULL", 1, "NULL", "'C7'");
}

std::string MessagesSql()
{
    auto At = [](int nHour) { return Ns(AppleSeconds(2024, 5, 2, nHour)); };
    return std::string(kSmsSchema) + R"SQL(
INSERT INTO handle VALUES (1, '+491701234567', 'SMS'), (2, 'anna@example.org', 'iMessage'),
  (3, '+4915199999999', 'iMessage'), (4, '+4930 2222222', 'SMS');
INSERT INTO chat VALUES (1, 'SMS;-;+491701234567', '+491701234567'), (2, 'iMessage;+;chat1', 'chat1');
INSERT INTO chat_handle_join VALUES (1, 1), (2, 3), (2, 4);
INSERT INTO message (ROWID, guid, text, handle_id, service, date, is_from_me, is_sent, error, item_type,
  associated_message_type, attributedBody) VALUES
  (1, 'G1', 'Hallo', 1, 'SMS', )SQL" +
           At(8) + R"SQL(, 0, 0, 0, 0, 0, NULL),
  (2, 'G2', 'Hi Anna', 0, 'SMS', )SQL" +
           At(9) + R"SQL(, 1, 1, 0, 0, 0, NULL),
  (3, 'G3', NULL, 2, 'iMessage', )SQL" +
           At(10) + ", 0, 0, 0, 0, 0, " + BlobLiteral(AttributedBody("Unterwegs \xf0\x9f\x9a\xb2")) + R"SQL(),
  (4, 'G4', 'Wer kommt?', 0, 'iMessage', )SQL" +
           At(11) + R"SQL(, 1, 1, 0, 0, 0, NULL),
  (5, 'G5', 'Loved “Hallo”', 1, 'SMS', )SQL" +
           At(12) + R"SQL(, 1, 1, 0, 0, 2000, NULL),
  (6, 'G6', NULL, 3, 'iMessage', )SQL" +
           At(13) + R"SQL(, 0, 0, 0, 1, 0, NULL),
  (7, 'G7', 'Nicht gesendet', 1, 'SMS', )SQL" +
           At(14) + R"SQL(, 1, 0, 4, 0, 0, NULL),
  (8, 'G8', 'Per RCS', 3, 'RCS', )SQL" +
           At(15) + R"SQL(, 0, 0, 0, 0, 0, NULL),
  (9, 'G9', '', 2, 'iMessage', )SQL" +
           At(16) + R"SQL(, 0, 0, 0, 0, 0, X'0102030405'),
  (10, 'G10', 'Alt', 4, 'SMS', )SQL" +
           std::to_string(AppleSeconds(2016, 3, 1, 12)) + R"SQL(, 0, 0, 0, 0, 0, NULL);
INSERT INTO chat_message_join VALUES (1, 1), (1, 2), (2, 4), (1, 7);
)SQL";
}

class IosImporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MakeDatabase(m_dir.File("calls.db"), CallsSql(), true);
        MakeDatabase(m_dir.File("sms.db"), MessagesSql(), true);
        MakeDatabase(m_dir.File("contacts.db"), ContactsSql(), true);
    }
    std::string Backup(bool bContacts = true, const std::string& strName = "backup")
    {
        std::map<std::string, std::string> files = {{kCallsPath, m_dir.File("calls.db")},
                                                    {kMessagesPath, m_dir.File("sms.db")}};
        if (bContacts)
            files[kContactsPath] = m_dir.File("contacts.db");
        std::string strFolder = m_dir.File(strName);
        MakeBackupFolder(strFolder, files, InfoPlist("Annas iPhone", "+49 170 0000000"), ManifestPlist(false));
        return strFolder;
    }
    int Import(const std::string& strPath)
    {
        ImportOptions options;
        int nResult = m_importer.ImportPath(strPath, options, &m_report);
        m_strError = m_importer.ErrorText();
        return nResult;
    }
    Rows Query(const std::string& strSql) { return QueryRows(m_device.Store().Database(), strSql); }
    Rows Dump() { return DumpStore(m_device.Store().Database()); }

    CTestDevice m_device;
    CTempDir m_dir;
    CIosImporter m_importer {m_device.Store()};
    ImportReport m_report;
    std::string m_strError;
};

TEST_F(IosImporterTest, BackupFolderBecomesCallsAndMessagesOfEachService)
{
    ASSERT_EQ(Import(Backup()), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::IosBackup);
    EXPECT_EQ(m_report.ios.strDeviceName, "Annas iPhone");
    EXPECT_EQ(m_report.ios.strPhoneNumber, "+49 170 0000000");
    EXPECT_EQ(m_report.ios.strIosVersion, "17.5");
    EXPECT_EQ(m_report.ios.strLastBackup, "2024-06-01 10:00 UTC");
    EXPECT_TRUE(m_report.ios.missing.empty());
    EXPECT_EQ(m_report.ios.nContacts, 3);
    EXPECT_EQ(m_report.calls.nRead, 7);
    EXPECT_EQ(m_report.calls.nAdded, 6);
    EXPECT_EQ(m_report.calls.nUndated, 1);

    // Direction from originated and answered; the service apart; the name
    // the call's own, else the address book's for the number however it is
    // written, and for an address that the call holds as a blob.
    int64_t nFirst = UtcTicks(2024, 5, 1, 8);
    EXPECT_EQ(Query("SELECT (start_time - " + std::to_string(nFirst) +
                    ") / 10000, (end_time - start_time) / 10000, iom, flags, number, name, backup_service, "
                    "backup_id, backup_type FROM calllog ORDER BY start_time"),
              (Rows {
                  "250|65500|1|6|01701234567|Anna Adler|phone|C1|NULL",
                  "3600250|120000|2|7|(0170) 123-4567|Anna A.|phone|C2|NULL",
                  "7200250|0|0|4|+4930 2222222|Berger GmbH|phone|C3|NULL",
                  "10800250|30000|1|6|anna@example.org|Anna Adler|facetime-video|C4|NULL",
                  "14400250|40000|2|7|+4915199999999|NULL|facetime-audio|C5|NULL",
                  "18000250|50000|1|6|+4915199999999|NULL|net.example.Chat|NULL|NULL",
              }));

    EXPECT_EQ(m_report.sms.nRead, 4);
    EXPECT_EQ(m_report.sms.nAdded, 4);
    ASSERT_EQ(m_report.ios.stores.size(), 2u);
    EXPECT_EQ(m_report.ios.stores["iMessage"].nAdded, 3);
    EXPECT_EQ(m_report.ios.stores["RCS"].nAdded, 1);
    EXPECT_EQ(m_report.ios.nReactions, 1);
    EXPECT_EQ(m_report.ios.nGroupEvents, 1);
    EXPECT_EQ(m_report.ios.nUnreadableText, 1);

    // Received ones named by their sender, sent ones with one recipient per
    // other member of their chat, a failed one in the Outbox; the text from
    // attributedBody where the text column has none; dates in nanoseconds
    // and, from older phones, in seconds.
    int64_t nDay = UtcTicks(2024, 5, 2);
    EXPECT_EQ(Query("SELECT s.display_name, f.role, (m.delivery_time - " + std::to_string(nDay) +
                    ") / 36000000000, m.sender_name, m.body, m.backup_id, m.backup_type, "
                    "(SELECT group_concat(r.display_name || '<' || r.email_address || '>', ', ') FROM "
                    "(SELECT * FROM recipient WHERE message_id = m.id ORDER BY position) r) "
                    "FROM message m JOIN folder f ON f.id = m.folder_id JOIN msgstore s ON s.id = f.store_id "
                    "ORDER BY m.delivery_time"),
              (Rows {
                  "SMS|inbox|-71604|Berger GmbH|Alt|G10|1|NULL",
                  "SMS|inbox|8|Anna Adler|Hallo|G1|1|NULL",
                  "SMS|sent|9|NULL|Hi Anna|G2|2|Anna Adler<+491701234567>",
                  "iMessage|inbox|10|Anna Adler|Unterwegs \xf0\x9f\x9a\xb2|G3|1|NULL",
                  "iMessage|sent|11|NULL|Wer kommt?|G4|2|+4915199999999<+4915199999999>, Berger GmbH<+4930 2222222>",
                  "SMS|outbox|14|NULL|Nicht gesendet|G7|5|Anna Adler<+491701234567>",
                  "RCS|inbox|15|+4915199999999|Per RCS|G8|1|NULL",
                  "iMessage|inbox|16|Anna Adler||G9|1|NULL",
              }));
    // The stores of other services have the five folders of every store.
    EXPECT_EQ(Query("SELECT group_concat(f.role, ',') FROM folder f JOIN msgstore s ON s.id = f.store_id "
                    "WHERE s.display_name = 'iMessage' GROUP BY s.id"),
              (Rows {"inbox,sent,outbox,drafts,deleted"}));
}

TEST_F(IosImporterTest, NewerBackupAddsOnlyWhatIsNew)
{
    ASSERT_EQ(Import(Backup()), 0) << m_strError;
    Rows before = Dump();
    ASSERT_EQ(Import(Backup(true, "again")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 0);
    EXPECT_EQ(m_report.calls.nDuplicates, 6);
    EXPECT_EQ(m_report.sms.nDuplicates, 4);
    EXPECT_EQ(m_report.ios.stores["iMessage"].nDuplicates, 3);
    EXPECT_EQ(Dump(), before);

    // A newer backup: one new call and one new message besides the old ones.
    MakeDatabase(m_dir.File("calls.db"),
                 "INSERT INTO ZCALLRECORD (Z_PK, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZADDRESS, ZUNIQUE_ID) "
                 "VALUES (8, " +
                     std::to_string(AppleSeconds(2024, 6, 1)) + ", 5, 1, 1, '+4915199999999', 'C8');");
    MakeDatabase(m_dir.File("sms.db"), "INSERT INTO message (ROWID, guid, text, handle_id, service, date) VALUES "
                                       "(11, 'G11', 'Neu', 1, 'SMS', " +
                                           Ns(AppleSeconds(2024, 6, 1)) + ");");
    ASSERT_EQ(Import(Backup(true, "newer")), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 1);
    EXPECT_EQ(m_report.calls.nDuplicates, 6);
    EXPECT_EQ(m_report.sms.nAdded, 1);
    EXPECT_EQ(m_report.sms.nDuplicates, 4);
}

TEST_F(IosImporterTest, BackupFolderIsLeftByteForByte)
{
    std::string strFolder = Backup();
    // The databases are in WAL mode, as on the phone: a plain read-only
    // open would create -wal and -shm files beside them.
    std::map<std::string, std::string> before = FolderContents(strFolder);
    ASSERT_EQ(Import(strFolder), 0) << m_strError;
    EXPECT_EQ(FolderContents(strFolder), before);
    ASSERT_EQ(Import(m_dir.File("sms.db")), 0) << m_strError;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("sms.db-wal")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("sms.db-shm")));
}

TEST_F(IosImporterTest, MissingDatabaseIsNamedAndTheRestImported)
{
    ASSERT_EQ(Import(Backup(false)), 0) << m_strError;
    EXPECT_EQ(m_report.ios.missing, (std::vector<std::string> {kContactsPath}));
    EXPECT_EQ(m_report.calls.nAdded, 6);
    // Without an address book, only the records' own names.
    EXPECT_EQ(Query("SELECT count(*) FROM calllog WHERE name IS NOT NULL"), (Rows {"1"}));
}

TEST_F(IosImporterTest, DatabasesOnTheirOwnWithTheirAddressBook)
{
    ASSERT_EQ(Import(m_dir.File("contacts.db")), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::IosContacts);
    EXPECT_EQ(m_report.ios.nContacts, 3);
    EXPECT_EQ(Query("SELECT count(*) FROM calllog"), (Rows {"0"}));

    m_importer.SetRegion("DE");
    ASSERT_EQ(Import(m_dir.File("sms.db")), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::IosMessages);
    EXPECT_EQ(m_report.sms.nAdded, 4);
    ASSERT_EQ(Import(m_dir.File("calls.db")), 0) << m_strError;
    EXPECT_EQ(m_report.kind, BackupKind::IosCalls);
    EXPECT_EQ(m_report.calls.nAdded, 6);
    EXPECT_EQ(Query("SELECT name FROM calllog ORDER BY start_time LIMIT 1"), (Rows {"Anna Adler"}));
    EXPECT_EQ(Query("SELECT sender_name FROM message WHERE backup_id = 'G1'"), (Rows {"Anna Adler"}));
}

// Each bad source gives one error naming the file and what is wrong, and
// leaves the store as it was.
TEST_F(IosImporterTest, BadInputIsNamedAndChangesNothing)
{
    ASSERT_EQ(Import(m_dir.File("calls.db")), 0) << m_strError;
    Rows before = Dump();

    std::string strPlain = m_dir.File("plain");
    std::filesystem::create_directories(strPlain);
    std::string strOld = m_dir.File("old");
    std::filesystem::create_directories(strOld);
    WriteFile(strOld + "/Manifest.mbdb", "mbdb\x05");
    std::string strEncrypted = Backup(true, "encrypted");
    WriteFile(strEncrypted + "/Manifest.plist", ManifestPlist(true));
    std::string strBadPlist = Backup(true, "bad-plist");
    WriteFile(strBadPlist + "/Info.plist", "<?xml version=\"1.0\"?>\n<plist><dict><key>Device");
    std::string strTruncated = m_dir.File("truncated.db");
    std::string strSms = ReadFile(m_dir.File("sms.db"));
    WriteFile(strTruncated, strSms.substr(0, strSms.size() / 2));
    std::string strNoDate = m_dir.File("no-date.db");
    MakeDatabase(strNoDate, "CREATE TABLE handle (id TEXT); CREATE TABLE message (text TEXT, handle_id INTEGER, "
                            "is_from_me INTEGER); INSERT INTO message VALUES ('x', 1, 0);");
    std::string strView = m_dir.File("view.db");
    MakeDatabase(strView, "CREATE TABLE handle (id TEXT); CREATE TABLE m (text, handle_id, date, is_from_me);"
                          "CREATE VIEW message AS SELECT * FROM m;");
    std::string strOther = m_dir.File("other.db");
    MakeDatabase(strOther, "CREATE TABLE notes (body TEXT);");
    std::string strText = WriteFile(m_dir.File("text.db"), "SQLite format 3\0 but nothing else");
    std::string strBackupWithBadSms = Backup(true, "bad-sms");
    std::string strSmsInBackup = strBackupWithBadSms + "/" + BackupFileIdPath(kMessagesPath);
    WriteFile(strSmsInBackup, strSms.substr(0, strSms.size() / 2));

    const struct {
        std::string strPath;
        std::string strError;
    } kCases[] = {
        {strPlain, strPlain + ": not an iPhone backup folder (it has no Manifest.db)"},
        {strOld, strOld + ": a backup of iOS 9 or older (Manifest.mbdb)"},
        {strEncrypted, strEncrypted + "/Manifest.plist: an encrypted backup without BackupKeyBag or ManifestKey"},
        {strBadPlist, strBadPlist + "/Info.plist: the property list does not parse"},
        {strTruncated, strTruncated + ": the database is damaged or truncated"},
        {strNoDate, strNoDate + ": an unknown version of the database: table message has no column date"},
        {strView, strView + ": an SQLite database that is no iPhone call history"},
        {strOther, strOther + ": an SQLite database that is no iPhone call history"},
        {strText, strText + ": is not an SQLite database"},
        {m_dir.File("Manifest.db"), ""},
        {strBackupWithBadSms, strSmsInBackup + ": the database is damaged or truncated"},
    };
    MakeDatabase(m_dir.File("Manifest.db"), "CREATE TABLE Files (fileID, domain, relativePath, flags, file);");
    for (const auto& c : kCases) {
        EXPECT_EQ(Import(c.strPath), -1) << c.strPath;
        std::string strExpected = c.strError.empty() ? c.strPath + ": the manifest of a backup" : c.strError;
        EXPECT_EQ(m_strError.rfind(strExpected, 0), 0u) << m_strError << "\nexpected: " << strExpected;
        EXPECT_EQ(Dump(), before) << c.strPath;
    }
}

TEST_F(IosImporterTest, PipeIsRefusedWithoutBlocking)
{
    std::string strPipe = m_dir.File("pipe");
    ASSERT_EQ(::mkfifo(strPipe.c_str(), 0600), 0);
    EXPECT_FALSE(CIosImporter::Recognises(strPipe));
    EXPECT_EQ(Import(strPipe), -1);
    EXPECT_EQ(m_strError, strPipe + ": is not a regular file");
}

} // namespace

namespace {

using Rows = std::vector<std::string>;

// A user who moved from Android to iPhone has the old texts in both
// backups: the same direction, the same other party by number, the same
// text, within a second, is the same message.
TEST(IosImporterAndroid, MessagesOfAnAndroidBackupAreNotAddedTwice)
{
    CTestDevice device;
    CTempDir dir;
    std::string strXml = WriteFile(dir.File("sms.xml"), R"(<?xml version="1.0" encoding="UTF-8"?>
<smses count="2">
  <sms address="030 111111" date="1714636800000" type="1" body="Hallo" read="1" />
  <sms address="+4930111111" date="1714636900000" type="2" body="Bis dann" read="1" />
</smses>
)");
    CBackupImporter android(device.Store());
    ImportReport report;
    ASSERT_EQ(android.ImportFile(strXml, ImportOptions {}, &report), 0) << android.ErrorText();

    int64_t nAt = AppleSeconds(2024, 5, 2, 8) * 1000000000LL;
    auto At = [nAt](int64_t nMilliseconds) { return std::to_string(nAt + nMilliseconds * 1000000); };
    MakeDatabase(dir.File("ios.db"),
                 std::string(kSmsSchema) +
                     "INSERT INTO handle VALUES (1, '+4930111111', 'SMS'), (2, '+4930999999', 'SMS');"
                     "INSERT INTO chat VALUES (1, 'c', 'c'); INSERT INTO chat_handle_join VALUES (1, 1);"
                     "INSERT INTO message (ROWID, guid, text, handle_id, service, date, is_from_me, is_sent) VALUES "
                     "(1, 'same', 'Hallo', 1, 'SMS', " +
                     At(300) + ", 0, 0), (2, 'other party', 'Hallo', 2, 'SMS', " + At(300) +
                     ", 0, 0), (3, 'other text', 'Hallo!', 1, 'SMS', " + At(300) +
                     ", 0, 0), (4, 'later', 'Hallo', 1, 'SMS', " + At(1500) +
                     ", 0, 0), (5, 'other direction', 'Hallo', 1, 'SMS', " + At(0) +
                     ", 1, 1), (6, 'sent', 'Bis dann', 0, 'iMessage', " + At(100000 - 400) +
                     ", 1, 1);"
                     "INSERT INTO chat_message_join VALUES (1, 5), (1, 6);");
    CIosImporter ios(device.Store());
    ios.SetRegion("DE");
    ASSERT_EQ(ios.ImportPath(dir.File("ios.db"), ImportOptions {}, &report), 0) << ios.ErrorText();
    EXPECT_EQ(report.ios.nAndroidDuplicates, 2);
    EXPECT_EQ(report.sms.nAdded, 4);
    EXPECT_EQ(report.sms.nDuplicates, 1);
    EXPECT_EQ(report.ios.stores["iMessage"].nDuplicates, 1);
    EXPECT_EQ(
        QueryRows(device.Store().Database(), "SELECT backup_id FROM message WHERE backup_kind = 'ios' ORDER BY 1"),
        (Rows {"later", "other direction", "other party", "other text"}));
}

} // namespace
