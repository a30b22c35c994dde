#pragma once

// What the file system says of a store file and of its write-ahead log:
// enough to tell that a writer has been at either since the last look.

#include <ctime>
#include <string>
#include <sys/types.h>

struct FileStamp {
    bool bExists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime {};
    timespec ctime {};
    bool bWal = false;
    off_t walSize = 0;
    timespec walMtime {};

    // The stamp of the file at strPath and of strPath-wal beside it; one that
    // does not exist when there is no file.
    static FileStamp Of(const std::string& strPath);

    // The same file, with or without a log as before: a connection opened on
    // one could go on reading the other.
    bool IsSameFile(const FileStamp& other) const
    {
        return bExists == other.bExists && dev == other.dev && ino == other.ino && bWal == other.bWal;
    }
    bool operator==(const FileStamp& other) const;
};
