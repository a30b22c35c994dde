#include "device/SqliteFile.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string ReadFileStart(const std::string& strPath, size_t nBytes)
{
    int fd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(nBytes);
        size_t nRead = 0;
        while (nRead < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + nRead, bytes.size() - nRead);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            nRead += static_cast<size_t>(n);
        }
        bytes.resize(nRead);
    }
    ::close(fd);
    return bytes;
}

bool IsSqliteHeader(const std::string& strHeader)
{
    return strHeader.size() >= 16 && strHeader.compare(0, 16, std::string("SQLite format 3\0", 16)) == 0;
}

std::string UriEscape(const std::string& strPath)
{
    std::string out;
    for (unsigned char c : strPath) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7f) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool IsCorruptionCode(int nCode)
{
    int nPrimary = nCode & 0xff;
    return nPrimary == SQLITE_CORRUPT || nPrimary == SQLITE_NOTADB;
}
