#include "import/ios/BackupFolder.h"

#include "import/ios/PropertyList.h"
#include "import/ios/SourceDatabase.h"

#include <openssl/sha.h>
#include <sqlite3.h>

#include <cctype>
#include <ctime>
#include <sys/stat.h>

namespace {

// Info.plist holds the phone's app icons and more; no real one comes near.
constexpr size_t kMostPlistBytes = size_t(64) << 20;
constexpr int64_t kAppleEpochUnix = 978307200;

std::string Join(const std::string& strFolder, const std::string& strName)
{
    return strFolder.empty() || strFolder.back() == '/' ? strFolder + strName : strFolder + "/" + strName;
}

bool Exists(const std::string& strPath)
{
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0;
}

bool IsFileId(const std::string& str)
{
    if (str.size() != 40)
        return false;
    for (char c : str) {
        if (!std::isxdigit(static_cast<unsigned char>(c)) || std::isupper(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::string UtcText(int64_t nAppleSeconds)
{
    std::time_t t = static_cast<std::time_t>(nAppleSeconds + kAppleEpochUnix);
    std::tm tm {};
    if (!::gmtime_r(&t, &tm))
        return {};
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
    return buf;
}

} // namespace

std::string BackupFileId(const std::string& strDomain, const std::string& strRelativePath)
{
    std::string strName = strDomain + "-" + strRelativePath;
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(strName.data()), strName.size(), digest);
    static const char kHex[] = "0123456789abcdef";
    std::string strHex;
    for (unsigned char b : digest) {
        strHex += kHex[b >> 4];
        strHex += kHex[b & 15];
    }
    return strHex;
}

bool CBackupFolder::IsFolder(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int CBackupFolder::Fail(const std::string& strFile, const std::string& strWhy)
{
    m_strError = strFile + ": " + strWhy;
    return -1;
}

int CBackupFolder::Open(const std::string& strPath, IosReportPart* pPart)
{
    m_strPath = strPath;
    m_strError.clear();
    std::string strManifest = Join(strPath, "Manifest.db");
    if (!Exists(strManifest)) {
        if (Exists(Join(strPath, "Manifest.mbdb")))
            return Fail(strPath, "a backup of iOS 9 or older (Manifest.mbdb), which this tool cannot read; back up "
                                 "the phone again with a newer iOS");
        return Fail(strPath, "not an iPhone backup folder (it has no Manifest.db)");
    }

    std::string strError;
    std::string strManifestPlist = Join(strPath, "Manifest.plist");
    if (Exists(strManifestPlist)) {
        std::optional<std::string> bytes = ReadSmallFile(strManifestPlist, kMostPlistBytes, &strError);
        if (!bytes)
            return Fail(strManifestPlist, strError);
        CPropertyList manifest;
        if (manifest.Parse(*bytes) != 0)
            return Fail(strManifestPlist, "the property list does not parse");
        if (manifest.Bool("IsEncrypted").value_or(false))
            return Fail(strPath, "an encrypted backup, which this version of the tool cannot read yet; make an "
                                 "unencrypted backup, or extract its databases with another tool and import them");
    }

    std::string strInfo = Join(strPath, "Info.plist");
    if (Exists(strInfo)) {
        std::optional<std::string> bytes = ReadSmallFile(strInfo, kMostPlistBytes, &strError);
        if (!bytes)
            return Fail(strInfo, strError);
        CPropertyList info;
        if (info.Parse(*bytes) != 0)
            return Fail(strInfo, "the property list does not parse");
        pPart->strDeviceName = info.String("Device Name").value_or("");
        pPart->strPhoneNumber = info.String("Phone Number").value_or("");
        pPart->strIosVersion = info.String("Product Version").value_or("");
        if (std::optional<int64_t> nDate = info.Date("Last Backup Date"))
            pPart->strLastBackup = UtcText(*nDate);
    }

    CSourceDatabase manifestDb;
    if (manifestDb.Open(strManifest) != 0 || manifestDb.Require("Files", {"fileID", "domain", "relativePath"}) != 0) {
        m_strError = manifestDb.ErrorText();
        return -1;
    }
    return 0;
}

std::optional<std::string> CBackupFolder::Locate(const std::string& strDomain, const std::string& strRelativePath,
                                                 int* pnFailed)
{
    *pnFailed = 0;
    CSourceDatabase manifest;
    if (manifest.Open(Join(m_strPath, "Manifest.db")) != 0) {
        m_strError = manifest.ErrorText();
        *pnFailed = -1;
        return std::nullopt;
    }
    // The file's own hash finds it by the table's key; its domain and path
    // must agree, so that a manifest cannot point one file at another.
    std::string strId = BackupFileId(strDomain, strRelativePath);
    CStatement stmt(manifest.Database(), "SELECT fileID FROM Files WHERE fileID = ?1 AND domain = ?2 AND "
                                         "relativePath = ?3 LIMIT 1");
    stmt.BindText(1, std::string_view(strId));
    stmt.BindText(2, std::string_view(strDomain));
    stmt.BindText(3, std::string_view(strRelativePath));
    int nStep = stmt.IsValid() ? stmt.Step() : manifest.Database().LastCode();
    if (nStep == SQLITE_DONE)
        return std::nullopt;
    if (nStep != SQLITE_ROW) {
        manifest.FailFromDatabase();
        m_strError = manifest.ErrorText();
        *pnFailed = -1;
        return std::nullopt;
    }
    std::string strFile = Join(Join(m_strPath, strId.substr(0, 2)), strId);
    if (!IsFileId(strId) || !Exists(strFile))
        return std::nullopt;
    return strFile;
}
