#pragma once

#include "import/ImportOptions.h"
#include "import/ImportReport.h"
#include "import/ios/BackupCrypto.h"
#include "import/ios/PrivateFolder.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

// An iPhone backup folder as Finder or iTunes writes it: Info.plist (the
// phone), Manifest.plist (whether it is encrypted), Manifest.db (table
// Files: fileID, domain, relativePath, flags, file) and each file at
// <first two hex digits of fileID>/<fileID>, where fileID is the SHA-1 of
// "domain-relativePath". Nothing in the folder is written or created.
//
// An encrypted backup is opened with the password that the options ask for:
// Manifest.db and each file asked for are decrypted into a private folder,
// removed when the object goes.
class CBackupFolder
{
public:
    // Whether the path is a folder (which the import takes as a backup).
    static bool IsFolder(const std::string& strPath);

    // Reads the plists and opens the manifest. Returns 0, or -1 with
    // ErrorText() naming the file and what is wrong. The phone's details go
    // into *pPart.
    int Open(const std::string& strPath, IosReportPart* pPart, const ImportOptions& options);

    // The stored file of a file on the phone; nullopt when the backup does
    // not hold it, and -1 in *pnFailed (with the error set) when the
    // manifest cannot be read.
    std::optional<std::string> Locate(const std::string& strDomain, const std::string& strRelativePath, int* pnFailed);

    const std::string& ErrorText() const { return m_strError; }

    // How errors name a file that Locate gave: for a decrypted one, the
    // encrypted file in the backup.
    std::string NameOf(const std::string& strLocated) const;

    bool IsEncrypted() const { return m_pPrivate != nullptr; }

private:
    int Fail(const std::string& strFile, const std::string& strWhy);
    int Unlock(const std::string& strManifestPlist, const std::vector<uint8_t>& keybag,
               const std::vector<uint8_t>& manifestKey, const ImportOptions& options);

    std::string m_strPath;
    std::string m_strManifest;
    std::string m_strError;
    std::unique_ptr<CPrivateFolder> m_pPrivate;
    std::map<uint32_t, Bytes> m_classKeys;
    std::map<std::string, std::string> m_decryptedFrom;
};

// The fileID of a file on the phone: SHA-1 of "domain-relativePath" in
// lower-case hex.
std::string BackupFileId(const std::string& strDomain, const std::string& strRelativePath);
