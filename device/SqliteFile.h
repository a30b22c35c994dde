#pragma once

// What every reader of an SQLite file from outside shares: a look at the
// file's first bytes that never blocks, the header that names an SQLite
// file, a path written into a URI, and SQLite's codes for a damaged file.

#include <cstddef>
#include <string>

// The first nBytes of a regular file (fewer when it is shorter); empty for
// anything else. Opened without blocking, so that a named pipe or a device
// put at the path cannot hang the caller or feed it forever.
std::string ReadFileStart(const std::string& strPath, size_t nBytes);

// Whether the bytes begin as an SQLite database does.
bool IsSqliteHeader(const std::string& strHeader);

// The path written for a "file:" URI: '%', '?', '#' and bytes outside
// printable ASCII percent-encoded.
std::string UriEscape(const std::string& strPath);

// Whether an SQLite result code says that the file is damaged or no database.
bool IsCorruptionCode(int nCode);
