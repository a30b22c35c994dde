#include "device/FileStamp.h"

#include <sys/stat.h>

namespace {

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

FileStamp FileStamp::Of(const std::string& strPath)
{
    FileStamp stamp;
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return stamp;
    stamp.bExists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime = st.st_mtim;
    stamp.ctime = st.st_ctim;
    if (::stat((strPath + "-wal").c_str(), &st) == 0) {
        stamp.bWal = true;
        stamp.walSize = st.st_size;
        stamp.walMtime = st.st_mtim;
    }
    return stamp;
}

bool FileStamp::operator==(const FileStamp& other) const
{
    return IsSameFile(other) && size == other.size && SameTime(mtime, other.mtime) && SameTime(ctime, other.ctime) &&
           walSize == other.walSize && SameTime(walMtime, other.walMtime);
}
