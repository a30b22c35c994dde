#include "tests/import/ImporterTestSupport.h"

#include <sqlite3.h>

#include <fstream>

std::string DataFile(const std::string& strName)
{
    return std::string(RINGTALLY_TEST_DATA) + "/" + strName;
}

std::vector<std::string> QueryRows(CDatabase& db, const std::string& strSql)
{
    std::vector<std::string> rows;
    CStatement stmt(db, strSql.c_str());
    if (!stmt.IsValid())
        return {"query failed: " + db.LastError()};
    int nColumns = stmt.ColumnCount();
    while (stmt.Step() == SQLITE_ROW) {
        std::string strRow;
        for (int i = 0; i < nColumns; ++i) {
            if (i)
                strRow += '|';
            if (stmt.ColumnIsNull(i)) {
                strRow += "NULL";
            } else {
                std::vector<unsigned char> bytes = stmt.ColumnBlob(i);
                strRow.append(bytes.begin(), bytes.end());
            }
        }
        rows.push_back(strRow);
    }
    return rows;
}

std::vector<std::string> DumpStore(CDatabase& db)
{
    std::vector<std::string> dump;
    for (const char* pszTable : {"calllog", "msgstore", "folder", "message", "recipient"}) {
        dump.push_back(std::string("-- ") + pszTable);
        std::vector<std::string> rows = QueryRows(db, std::string("SELECT * FROM ") + pszTable + " ORDER BY 1, 2");
        dump.insert(dump.end(), rows.begin(), rows.end());
    }
    std::vector<std::string> schema = QueryRows(db, "SELECT type, name, sql FROM sqlite_schema ORDER BY name");
    dump.insert(dump.end(), schema.begin(), schema.end());
    return dump;
}

