#include "import/ios/BackupFolder.h"

#include "import/ios/PropertyList.h"
#include "import/ios/SourceDatabase.h"

#include <openssl/sha.h>
#include <sqlite3.h>

#include <cctype>
#include <ctime>
#include <filesystem>
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

int CBackupFolder::Open(const std::string& strPath, IosReportPart* pPart, const ImportOptions& options)
{
    m_strPath = strPath;
    m_strError.clear();
    m_pPrivate.reset();
    m_classKeys.clear();
    std::string strManifest = Join(strPath, "Manifest.db");
    m_strManifest = strManifest;
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
        if (manifest.Bool("IsEncrypted").value_or(false)) {
            std::optional<std::vector<uint8_t>> keybag = manifest.Data("BackupKeyBag");
            std::optional<std::vector<uint8_t>> manifestKey = manifest.Data("ManifestKey");
            if (!keybag || !manifestKey)
                return Fail(strManifestPlist, "an encrypted backup without BackupKeyBag or ManifestKey: damaged, or "
                                              "of an iOS older than 10.2, which this tool cannot decrypt");
            if (Unlock(strManifestPlist, *keybag, *manifestKey, options) != 0)
                return -1;
        }
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
    if (manifestDb.Open(m_strManifest, IsEncrypted() ? strManifest + " (decrypted)" : std::string()) != 0 ||
        manifestDb.Require("Files", {"fileID", "domain", "relativePath"}) != 0) {
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
    if (manifest.Open(m_strManifest) != 0) {
        m_strError = manifest.ErrorText();
        *pnFailed = -1;
        return std::nullopt;
    }
    // The file's own hash finds it by the table's key; its domain and path
    // must agree, so that a manifest cannot point one file at another.
    std::string strId = BackupFileId(strDomain, strRelativePath);
    CStatement stmt(manifest.Database(), IsEncrypted() ? "SELECT fileID, file FROM Files WHERE fileID = ?1 AND "
                                                         "domain = ?2 AND relativePath = ?3 LIMIT 1"
                                                       : "SELECT fileID, NULL FROM Files WHERE fileID = ?1 AND "
                                                         "domain = ?2 AND relativePath = ?3 LIMIT 1");
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
    if (!IsEncrypted())
        return strFile;

    const auto* pProperties = static_cast<const uint8_t*>(stmt.ColumnBlobData(1));
    std::optional<FileCrypto> crypto = FileCryptoFromProperties(
        std::span<const uint8_t>(pProperties, pProperties ? static_cast<size_t>(stmt.ColumnBytes(1)) : 0));
    std::optional<Bytes> key = crypto ? UnwrapFileKey(crypto->wrappedKey, m_classKeys) : std::nullopt;
    if (!key) {
        *pnFailed = -1;
        Fail(strFile, "the key of " + strRelativePath + " in Manifest.db cannot be read or unwrapped: damaged");
        return std::nullopt;
    }
    std::string strPlain = m_pPrivate->NewFile(std::filesystem::path(strRelativePath).filename().string());
    std::string strError;
    if (strPlain.empty() || DecryptFile(strFile, strPlain, *key, crypto->nSize, &strError) != 0) {
        *pnFailed = -1;
        Fail(strFile, strPlain.empty() ? "no room for the decrypted file" : strError);
        return std::nullopt;
    }
    m_decryptedFrom[strPlain] = strFile + " (decrypted)";
    return strPlain;
}

std::string CBackupFolder::NameOf(const std::string& strLocated) const
{
    auto found = m_decryptedFrom.find(strLocated);
    return found == m_decryptedFrom.end() ? strLocated : found->second;
}

int CBackupFolder::Unlock(const std::string& strManifestPlist, const std::vector<uint8_t>& keybagBytes,
                          const std::vector<uint8_t>& manifestKey, const ImportOptions& options)
{
    std::optional<Keybag> keybag = ParseKeybag(keybagBytes);
    if (!keybag)
        return Fail(strManifestPlist, "the backup's keybag cannot be read: damaged");
    std::optional<std::string> strPassword = options.pfnPassword ? options.pfnPassword() : std::nullopt;
    if (!strPassword)
        return Fail(m_strPath, "an encrypted backup, and no password was given (give --password-file FILE, or run "
                               "the tool on a terminal to be asked for it)");
    if (options.pfnNotice)
        options.pfnNotice("deriving the backup's key from its password; this takes a few seconds...");
    std::optional<Bytes> passwordKey = PasswordKey(*strPassword, *keybag);
    std::optional<std::map<uint32_t, Bytes>> classKeys =
        passwordKey ? UnlockClassKeys(*keybag, *passwordKey) : std::nullopt;
    if (!classKeys)
        return Fail(m_strPath, "wrong backup password");
    m_classKeys = std::move(*classKeys);
    std::optional<Bytes> key = UnwrapFileKey(manifestKey, m_classKeys);
    if (!key)
        return Fail(strManifestPlist, "the manifest's key cannot be unwrapped: damaged");

    m_pPrivate = std::make_unique<CPrivateFolder>();
    std::string strPlain = m_pPrivate->NewFile("Manifest.db");
    if (strPlain.empty())
        return Fail(m_strPath, "cannot make a private folder for the decrypted files");
    std::string strError;
    if (DecryptFile(Join(m_strPath, "Manifest.db"), strPlain, *key, std::nullopt, &strError) != 0)
        return Fail(Join(m_strPath, "Manifest.db"), strError);
    m_strManifest = strPlain;
    return 0;
}
