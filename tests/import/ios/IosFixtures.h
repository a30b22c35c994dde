#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// iPhone databases and backup folders made at test time from SQL.

// The tables of each database, with the columns that the import reads.
extern const char kCallHistorySchema[];
extern const char kSmsSchema[];
extern const char kAddressBookSchema[];

// Creates an SQLite file at strPath from the schema and the rows; in WAL
// mode when bWal, as a phone leaves its databases.
void MakeDatabase(const std::string& strPath, const std::string& strSql, bool bWal = false);

// An archived attributed string holding the text, as the phone writes it
// into attributedBody.
std::string AttributedBody(const std::string& strText);
// The bytes as an SQL blob literal, X'..'.
std::string BlobLiteral(const std::string& strBytes);

// Seconds since 2001-01-01 UTC of a UTC calendar time.
int64_t AppleSeconds(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0);

// Info.plist of a phone (XML with its DOCTYPE line, as written on a Mac).
std::string InfoPlist(const std::string& strDeviceName, const std::string& strPhoneNumber);
std::string ManifestPlist(bool bEncrypted);

// A backup folder at strFolder: its plists, a Manifest.db listing the files
// (HomeDomain paths to the databases already made elsewhere), each copied to
// its hashed place.
void MakeBackupFolder(const std::string& strFolder, const std::map<std::string, std::string>& files,
                      const std::string& strInfoPlist, const std::string& strManifestPlist);

// Where a backup keeps a HomeDomain file: <xx>/<fileID>.
std::string BackupFileIdPath(const std::string& strRelativePath);

// Every file below the folder with its bytes, to compare a folder before and
// after.
std::map<std::string, std::string> FolderContents(const std::string& strFolder);

extern const char kCallsPath[];
extern const char kMessagesPath[];
extern const char kContactsPath[];
