#pragma once

#include "device/Statement.h"

#include <initializer_list>
#include <string>

// An SQLite file of a phone, opened as hostile input: only a regular file,
// read-only, as immutable (so that nothing is created beside it, not even
// the -wal and -shm files that a database in WAL mode would otherwise get),
// with its schema distrusted and its views refused where a table is read.
// The changes that a -wal file beside it holds are not read.
class CSourceDatabase
{
public:
    // Returns 0, or -1 with ErrorText() naming the file and the reason. A
    // file decrypted from a backup is named in errors by strName, the file
    // that it was decrypted from.
    int Open(const std::string& strPath, const std::string& strName = {});
    CDatabase& Database() { return m_db; }
    // The file as errors name it.
    const std::string& Path() const { return m_strName; }

    // Whether the file has a table (not a view) of this name.
    bool HasTable(const char* pszTable);
    // Whether the table has the column.
    bool HasColumn(const char* pszTable, const char* pszColumn);
    // 0 when the table and every column are there; else -1 with the error
    // naming the first one missing.
    int Require(const char* pszTable, std::initializer_list<const char*> columns);

    // The column by its name, or NULL under that name when the table lacks
    // it: an expression for a SELECT list.
    std::string ColumnOrNull(const char* pszTable, const char* pszColumn);

    // Sets the error from the database's last failure, as damage or as a
    // failure to read.
    int FailFromDatabase();
    int Fail(const std::string& strWhy);
    const std::string& ErrorText() const { return m_strError; }

private:
    CDatabase m_db;
    std::string m_strPath;
    std::string m_strName;
    std::string m_strError;
};

