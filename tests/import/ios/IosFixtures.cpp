#include "tests/import/ios/IosFixtures.h"

#include "import/ios/BackupFolder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ctime>
#include <filesystem>

const char kCallsPath[] = "Library/CallHistoryDB/CallHistory.storedata";
const char kMessagesPath[] = "Library/SMS/sms.db";
const char kContactsPath[] = "Library/AddressBook/AddressBook.sqlitedb";

const char kCallHistorySchema[] = R"SQL(
CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZANSWERED INTEGER,
  ZCALLTYPE INTEGER, ZORIGINATED INTEGER, ZDATE TIMESTAMP, ZDURATION FLOAT, ZADDRESS VARCHAR, ZNAME VARCHAR,
  ZSERVICE_PROVIDER VARCHAR, ZUNIQUE_ID VARCHAR);
)SQL";

const char kSmsSchema[] = R"SQL(
CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, service TEXT);
CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT,
  handle_id INTEGER DEFAULT 0, service TEXT, date INTEGER, is_from_me INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0,
  error INTEGER DEFAULT 0, item_type INTEGER DEFAULT 0, associated_message_type INTEGER DEFAULT 0,
  attributedBody BLOB);
CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT, chat_identifier TEXT);
CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER, PRIMARY KEY (chat_id, message_id));
CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER, UNIQUE (chat_id, handle_id));
)SQL";

const char kAddressBookSchema[] = R"SQL(
CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, Organization TEXT);
CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, identifier INTEGER,
  label INTEGER, value TEXT);
)SQL";

void MakeDatabase(const std::string& strPath, const std::string& strSql, bool bWal)
{
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(strPath.c_str(), &pDb), SQLITE_OK);
    char* pszError = nullptr;
    std::string strAll = std::string(bWal ? "PRAGMA journal_mode = WAL;" : "") + strSql;
    int nCode = sqlite3_exec(pDb, strAll.c_str(), nullptr, nullptr, &pszError);
    EXPECT_EQ(nCode, SQLITE_OK) << (pszError ? pszError : "") << "\n" << strSql;
    sqlite3_free(pszError);
    sqlite3_close(pDb);
}

std::string AttributedBody(const std::string& strText)
{
    std::string bytes("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x12NSAttributedString\x00\x84\x84\x08"
                      "NSObject\x00\x85\x92\x84\x84\x84\x08NSString\x01\x94\x84\x01+",
                      73);
    size_t n = strText.size();
    if (n < 0x80) {
        bytes += static_cast<char>(n);
    } else if (n <= 0xffff) {
        bytes += '\x81';
        bytes += static_cast<char>(n & 0xff);
        bytes += static_cast<char>(n >> 8);
    } else {
        bytes += '\x82';
        for (int k = 0; k < 4; ++k)
            bytes += static_cast<char>((n >> (8 * k)) & 0xff);
    }
    bytes += strText;
    bytes += std::string("\x86\x84\x02iI\x01\x05\x92\x84\x84\x84\x0cNSDictionary\x00", 25);
    return bytes;
}

std::string BlobLiteral(const std::string& strBytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "X'";
    for (unsigned char c : strBytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out + "'";
}

int64_t AppleSeconds(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    std::tm tm {};
    tm.tm_year = nYear - 1900;
    tm.tm_mon = nMonth - 1;
    tm.tm_mday = nDay;
    tm.tm_hour = nHour;
    tm.tm_min = nMinute;
    tm.tm_sec = nSecond;
    return static_cast<int64_t>(::timegm(&tm)) - 978307200;
}

std::string InfoPlist(const std::string& strDeviceName, const std::string& strPhoneNumber)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Device Name</key>\n\t<string>" +
           strDeviceName +
           "</string>\n"
           "\t<key>Last Backup Date</key>\n\t<date>2024-06-01T10:00:00Z</date>\n"
           "\t<key>Phone Number</key>\n\t<string>" +
           strPhoneNumber +
           "</string>\n"
           "\t<key>Product Version</key>\n\t<string>17.5</string>\n"
           "</dict>\n</plist>\n";
}

std::string ManifestPlist(bool bEncrypted)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                       "<plist version=\"1.0\">\n<dict>\n"
                       "\t<key>IsEncrypted</key>\n\t<") +
           (bEncrypted ? "true" : "false") + "/>\n\t<key>Version</key>\n\t<string>10.0</string>\n</dict>\n</plist>\n";
}

void MakeBackupFolder(const std::string& strFolder, const std::map<std::string, std::string>& files,
                      const std::string& strInfoPlist, const std::string& strManifestPlist)
{
    std::filesystem::create_directories(strFolder);
    WriteFile(strFolder + "/Info.plist", strInfoPlist);
    WriteFile(strFolder + "/Manifest.plist", strManifestPlist);
    std::string strSql = "CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, "
                         "file BLOB); CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB);";
    for (const auto& [strRelative, strSource] : files) {
        std::string strId = BackupFileId("HomeDomain", strRelative);
        strSql += "INSERT INTO Files VALUES ('" + strId + "', 'HomeDomain', '" + strRelative + "', 1, X'00');";
        std::filesystem::create_directories(strFolder + "/" + strId.substr(0, 2));
        std::filesystem::copy_file(strSource, strFolder + "/" + strId.substr(0, 2) + "/" + strId,
                                   std::filesystem::copy_options::overwrite_existing);
        for (const char* pszSide : {"-wal", "-shm"}) {
            if (std::filesystem::exists(strSource + pszSide))
                std::filesystem::copy_file(strSource + pszSide,
                                           strFolder + "/" + strId.substr(0, 2) + "/" + strId + pszSide);
        }
    }
    MakeDatabase(strFolder + "/Manifest.db", strSql, true);
}

std::string BackupFileIdPath(const std::string& strRelativePath)
{
    std::string strId = BackupFileId("HomeDomain", strRelativePath);
    return strId.substr(0, 2) + "/" + strId;
}

std::map<std::string, std::string> FolderContents(const std::string& strFolder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(strFolder)) {
        std::string strName = std::filesystem::relative(entry.path(), strFolder).string();
        contents[strName] = entry.is_regular_file() ? ReadFile(entry.path().string()) : std::string("<folder>");
    }
    return contents;
}
