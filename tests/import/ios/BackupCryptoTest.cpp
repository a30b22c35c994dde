#include "import/ios/BackupCrypto.h"
#include "import/ios/IosImporter.h"
#include "import/ios/PrivateFolder.h"
#include "tests/import/ImporterTestSupport.h"
#include "tests/import/ios/EncryptedFixture.h"
#include "tests/import/ios/IosFixtures.h"
#include "tests/support/TestDevice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

Bytes FromHex(const std::string& strHex)
{
    Bytes bytes;
    for (size_t i = 0; i + 1 < strHex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(strHex.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes Text(const std::string& str)
{
    return Bytes(str.begin(), str.end());
}

// Published known answers, so that the decryption is not only checked
// against our own encryption.
TEST(BackupCrypto, Pbkdf2KnownAnswers)
{
    // PBKDF2-HMAC-SHA1, RFC 6070.
    EXPECT_EQ(Pbkdf2Sha1(Text("password"), Text("salt"), 1, 20), FromHex("0c60c80f961f0e71f3a9b524af6012062fe037a6"));
    EXPECT_EQ(Pbkdf2Sha1(Text("password"), Text("salt"), 4096, 20),
              FromHex("4b007901b765489abead49d926f721d065a429c1"));
    // PBKDF2-HMAC-SHA256, RFC 7914 section 11.
    EXPECT_EQ(
        Pbkdf2Sha256(Text("passwd"), Text("salt"), 1, 64),
        FromHex("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc49ca9cccf179b645991664b39d77ef317c"
                "71b845b1e30bd509112041d3a19783"));
    EXPECT_EQ(Pbkdf2Sha1(Text("password"), Text("salt"), 0, 20), std::nullopt);
}

TEST(BackupCrypto, KeyUnwrapKnownAnswers)
{
    // RFC 3394, 4.1, 4.3 and 4.6.
    Bytes kek128 = FromHex("000102030405060708090A0B0C0D0E0F");
    Bytes kek256 = FromHex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
    EXPECT_EQ(UnwrapKey(kek128, FromHex("1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5")),
              FromHex("00112233445566778899AABBCCDDEEFF"));
    EXPECT_EQ(UnwrapKey(kek256, FromHex("64E8C3F9CE0F5BA263E9777905818A2A93C8191E7D6E8AE7")),
              FromHex("00112233445566778899AABBCCDDEEFF"));
    Bytes wrapped = FromHex("28C9F404C4B810F4CBCCB35CFB87F8263F5786E2D80ED326CBC7F0E71A99F43BFB988B9B7A02DD21");
    EXPECT_EQ(UnwrapKey(kek256, wrapped), FromHex("00112233445566778899AABBCCDDEEFF000102030405060708090A0B0C0D0E0F"));
    // A wrong key or a changed byte fails the integrity check.
    EXPECT_EQ(UnwrapKey(FromHex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1E"), wrapped),
              std::nullopt);
    wrapped[10] ^= 1;
    EXPECT_EQ(UnwrapKey(kek256, wrapped), std::nullopt);
    EXPECT_EQ(UnwrapKey(kek256, Bytes(20)), std::nullopt);
}

TEST(BackupCrypto, KeybagCutShortIsRefused)
{
    EXPECT_EQ(ParseKeybag(Bytes {'S', 'A', 'L', 'T', 0, 0, 0, 9, 1, 2}), std::nullopt);
    EXPECT_EQ(ParseKeybag(Bytes {'S', 'A', 'L'}), std::nullopt);
    EXPECT_EQ(ParseKeybag(Bytes {}), std::nullopt);
}

class EncryptedBackupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MakeDatabase(m_dir.File("calls.db"),
                     std::string(kCallHistorySchema) +
                         "INSERT INTO ZCALLRECORD (ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZADDRESS, ZUNIQUE_ID) "
                         "VALUES (" +
                         std::to_string(AppleSeconds(2024, 5, 1)) + ", 60, 1, 1, '0170 1234567', 'C1');",
                     true);
        MakeDatabase(m_dir.File("sms.db"),
                     std::string(kSmsSchema) + "INSERT INTO handle VALUES (1, '+491701234567', 'SMS');"
                                               "INSERT INTO message (guid, text, handle_id, service, date) VALUES "
                                               "('G1', 'Geheim', 1, 'SMS', 1), ('G2', 'Auch', 1, 'iMessage', 2);",
                     true);
        MakeDatabase(m_dir.File("contacts.db"), std::string(kAddressBookSchema) +
                                                    "INSERT INTO ABPerson VALUES (1, 'Anna', 'Adler', NULL);"
                                                    "INSERT INTO ABMultiValue VALUES (1, 1, 3, 0, 1, '0170 1234567');");
        m_strFolder = m_dir.File("encrypted");
        MakeEncryptedBackupFolder(m_strFolder,
                                  {{kCallsPath, m_dir.File("calls.db")},
                                   {kMessagesPath, m_dir.File("sms.db")},
                                   {kContactsPath, m_dir.File("contacts.db")}},
                                  "correct horse", InfoPlist("Annas iPhone", "+49 170 0000000"));
    }
    int Import(std::optional<std::string> strPassword)
    {
        ImportOptions options;
        options.pfnPassword = [strPassword] { return strPassword; };
        options.pfnNotice = [this](const std::string& strText) { m_notices.push_back(strText); };
        CIosImporter importer(m_device.Store());
        int nResult = importer.ImportPath(m_strFolder, options, &m_report);
        m_strError = importer.ErrorText();
        return nResult;
    }

    CTestDevice m_device;
    CTempDir m_dir;
    std::string m_strFolder;
    ImportReport m_report;
    std::string m_strError;
    std::vector<std::string> m_notices;
};

TEST_F(EncryptedBackupTest, RightPasswordImportsAndLeavesNothingBehind)
{
    std::map<std::string, std::string> before = FolderContents(m_strFolder);
    std::string strTmp = m_dir.File("tmp");
    std::filesystem::create_directories(strTmp);
    CEnvVar tmp("TMPDIR", strTmp);
    ASSERT_EQ(Import("correct horse"), 0) << m_strError;
    EXPECT_EQ(m_report.calls.nAdded, 1);
    EXPECT_EQ(m_report.sms.nAdded, 1);
    EXPECT_EQ(m_report.ios.stores["iMessage"].nAdded, 1);
    EXPECT_EQ(QueryRows(m_device.Store().Database(), "SELECT name FROM calllog"),
              (std::vector<std::string> {"Anna Adler"}));
    EXPECT_EQ(QueryRows(m_device.Store().Database(), "SELECT body FROM message ORDER BY delivery_time"),
              (std::vector<std::string> {"Geheim", "Auch"}));
    EXPECT_EQ(m_notices.size(), 1u);
    // The decrypted files are gone, and the backup is as it was.
    EXPECT_TRUE(std::filesystem::is_empty(strTmp));
    EXPECT_EQ(FolderContents(m_strFolder), before);
}

TEST_F(EncryptedBackupTest, DamagedFileIsNamedByItsPlaceInTheBackup)
{
    std::vector<std::string> before = DumpStore(m_device.Store().Database());
    std::string strSms = m_strFolder + "/" + BackupFileIdPath(kMessagesPath);
    std::string strBytes = ReadFile(strSms);
    WriteFile(strSms, strBytes.substr(0, strBytes.size() - 4096));
    EXPECT_EQ(Import("correct horse"), -1);
    EXPECT_EQ(m_strError, strSms + ": is shorter than the size that the backup states: truncated");
    // Its header intact and the rest of its first page, the schema, garbled.
    strBytes.replace(112, 4096 - 112, std::string(4096 - 112, 'x'));
    WriteFile(strSms, strBytes);
    EXPECT_EQ(Import("correct horse"), -1);
    EXPECT_EQ(m_strError.rfind(strSms + " (decrypted): ", 0), 0u) << m_strError;
    EXPECT_EQ(DumpStore(m_device.Store().Database()), before);
}

TEST_F(EncryptedBackupTest, WrongOrNoPasswordChangesNothing)
{
    std::vector<std::string> before = DumpStore(m_device.Store().Database());
    std::string strTmp = m_dir.File("tmp");
    std::filesystem::create_directories(strTmp);
    CEnvVar tmp("TMPDIR", strTmp);
    EXPECT_EQ(Import("Correct horse"), -1);
    EXPECT_EQ(m_strError, m_strFolder + ": wrong backup password");
    EXPECT_EQ(Import(std::nullopt), -1);
    EXPECT_EQ(m_strError.rfind(m_strFolder + ": an encrypted backup, and no password was given", 0), 0u) << m_strError;
    EXPECT_EQ(DumpStore(m_device.Store().Database()), before);
    EXPECT_TRUE(std::filesystem::is_empty(strTmp));
}

} // namespace

namespace {

TEST(PrivateFolder, RemovedOnInterruptToo)
{
    CTempDir dir;
    CEnvVar tmp("TMPDIR", dir.Path());
    {
        CPrivateFolder folder;
        ASSERT_FALSE(folder.Path().empty());
        struct stat st {};
        ASSERT_EQ(::stat(folder.Path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        WriteFile(folder.NewFile("sms.db"), "secret");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    // A process stopped by Ctrl-C while the decrypted files exist leaves
    // none of them.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CPrivateFolder folder;
        WriteFile(folder.NewFile("sms.db"), "secret");
        ::raise(SIGINT);
        ::_exit(0);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGINT);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

} // namespace
