#pragma once

#include <string>

// A folder that only the user can read, for the decrypted databases of an
// encrypted backup, removed with everything in it when the object goes, and
// also when the process is stopped by SIGINT, SIGTERM or SIGHUP meanwhile.
// One at a time per process.
class CPrivateFolder
{
public:
    CPrivateFolder();
    ~CPrivateFolder();
    CPrivateFolder(const CPrivateFolder&) = delete;
    CPrivateFolder& operator=(const CPrivateFolder&) = delete;

    // Empty when the folder could not be made.
    const std::string& Path() const { return m_strPath; }
    // A path inside the folder, which the signal handler removes as well.
    // At most kMostFiles of them.
    std::string NewFile(const std::string& strName);
    static constexpr int kMostFiles = 8;

private:
    std::string m_strPath;
};
