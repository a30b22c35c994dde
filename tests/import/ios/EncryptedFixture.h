#pragma once

#include <map>
#include <string>

// An encrypted backup folder made with OpenSSL from a known password, as the
// phone makes one: a keybag with class keys wrapped by the stretched
// password, Manifest.db encrypted with the ManifestKey, and each file with a
// key of its own, listed in Files.file as an archived property list. The
// password is stretched far less often than a phone does, to keep tests
// quick.
void MakeEncryptedBackupFolder(const std::string& strFolder, const std::map<std::string, std::string>& files,
                               const std::string& strPassword, const std::string& strInfoPlist);
