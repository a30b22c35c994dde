#include "import/ios/SourceDatabase.h"

#include "device/SqliteFile.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int CSourceDatabase::Fail(const std::string& strWhy)
{
    m_strError = m_strName + ": " + strWhy;
    return -1;
}

int CSourceDatabase::FailFromDatabase()
{
    if (IsCorruptionCode(m_db.LastCode()))
        return Fail("the database is damaged or truncated (" + m_db.LastError() + ")");
    return Fail("cannot be read: " + m_db.LastError());
}

int CSourceDatabase::Open(const std::string& strPath, const std::string& strName)
{
    m_strPath = strPath;
    m_strName = strName.empty() ? strPath : strName;
    m_strError.clear();
    m_db.Close();
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return Fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Fail("is not a regular file");
    if (!IsSqliteHeader(ReadFileStart(strPath, 100)))
        return Fail("is not an SQLite database");
    std::string strUri = "file:" + UriEscape(strPath) + "?mode=ro&immutable=1";
    if (m_db.Open(strUri, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX) != SQLITE_OK)
        return Fail("cannot be opened: " + m_db.LastError());
    if (m_db.Exec("PRAGMA query_only = 1") != SQLITE_OK)
        return FailFromDatabase();
    // Reading the schema finds a damaged or foreign file at once.
    if (!m_db.QueryInt("SELECT count(*) FROM sqlite_schema"))
        return FailFromDatabase();
    return 0;
}

bool CSourceDatabase::HasTable(const char* pszTable)
{
    CStatement stmt(m_db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    stmt.BindText(1, std::string_view(pszTable));
    return stmt.IsValid() && stmt.Step() == SQLITE_ROW;
}

bool CSourceDatabase::HasColumn(const char* pszTable, const char* pszColumn)
{
    CStatement stmt(m_db, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2 COLLATE NOCASE");
    stmt.BindText(1, std::string_view(pszTable));
    stmt.BindText(2, std::string_view(pszColumn));
    return stmt.IsValid() && stmt.Step() == SQLITE_ROW;
}

int CSourceDatabase::Require(const char* pszTable, std::initializer_list<const char*> columns)
{
    if (!HasTable(pszTable))
        return Fail(std::string("an unknown version of the database: it has no table ") + pszTable);
    for (const char* pszColumn : columns) {
        if (!HasColumn(pszTable, pszColumn))
            return Fail(std::string("an unknown version of the database: table ") + pszTable + " has no column " +
                        pszColumn);
    }
    return 0;
}

std::string CSourceDatabase::ColumnOrNull(const char* pszTable, const char* pszColumn)
{
    return HasColumn(pszTable, pszColumn) ? pszColumn : std::string("NULL");
}
