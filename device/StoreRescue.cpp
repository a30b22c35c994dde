#include "device/StoreRescue.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <unistd.h>
#include <utility>

namespace {

struct Column {
    std::string strName;
    std::string strType;
};

std::string Quoted(const std::string& strName)
{
    std::string strQuoted = "\"";
    for (char c : strName)
        strQuoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return strQuoted + "\"";
}

// The columns of a table (none when there is none); nullopt when the schema
// cannot be read.
std::optional<std::vector<Column>> ColumnsOf(CDatabase& db, const std::string& strTable)
{
    CStatement stmt(db, "SELECT c.name, c.type FROM sqlite_schema s, pragma_table_info(s.name) c "
                        "WHERE s.type = 'table' AND s.name = ?1 ORDER BY c.cid");
    if (!stmt.IsValid())
        return std::nullopt;
    stmt.BindText(1, std::string_view(strTable));
    std::vector<Column> columns;
    int nStep;
    while ((nStep = stmt.Step()) == SQLITE_ROW)
        columns.push_back({stmt.ColumnText(0).value_or(""), stmt.ColumnText(1).value_or("")});
    if (nStep != SQLITE_DONE)
        return std::nullopt;
    return columns;
}

// Reads rows in rowid order from a given rowid on; rowid first, then the
// columns.
class CRowReader
{
public:
    CRowReader(CDatabase& db, const std::string& strSql)
        : m_stmt(db, strSql.c_str())
    {}
    bool IsValid() const { return m_stmt.IsValid(); }
    CStatement& Rows() { return m_stmt; }

    // SQLITE_ROW (the first row from nFrom on), SQLITE_DONE or an error.
    int Start(int64_t nFrom)
    {
        m_stmt.Reset();
        m_stmt.BindInt(1, nFrom);
        return m_stmt.Step();
    }

    // The first rowid after nFailed, the first one whose row could not be
    // read, from which rows can be read again; nullopt when none can. A
    // damaged page holds a run of rowids: a read that begins inside the run
    // fails and one that begins past it succeeds, so the smallest start that
    // succeeds is found by doubling the step and then halving it.
    std::optional<int64_t> NextReadable(int64_t nFailed)
    {
        // Steps are counted unsigned: from the smallest rowid the largest is
        // 2^64 - 1 away.
        const uint64_t nRoom =
            static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - static_cast<uint64_t>(nFailed);
        auto readsFrom = [&](uint64_t nSkip) {
            return Start(static_cast<int64_t>(static_cast<uint64_t>(nFailed) + nSkip));
        };
        uint64_t nBad = 0, nGood = 1;
        int nStep = SQLITE_DONE;
        while (nGood <= nRoom && (nStep = readsFrom(nGood)) != SQLITE_ROW && nStep != SQLITE_DONE) {
            nBad = nGood;
            nGood = nGood > nRoom / 2 ? nRoom + 1 : nGood * 2;
        }
        if (nGood > nRoom || nStep == SQLITE_DONE)
            return std::nullopt;
        while (nGood - nBad > 1) {
            uint64_t nMid = nBad + (nGood - nBad) / 2;
            nStep = readsFrom(nMid);
            if (nStep == SQLITE_DONE)
                return std::nullopt;
            (nStep == SQLITE_ROW ? nGood : nBad) = nMid;
        }
        return static_cast<int64_t>(static_cast<uint64_t>(nFailed) + nGood);
    }

private:
    CStatement m_stmt;
};

} // namespace

int CStoreRescue::Fail(const std::string& strText)
{
    m_strError = strText;
    for (char& c : m_strError) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return -1;
}

int CStoreRescue::Run(CDeviceStore& from, const std::string& strTo)
{
    m_tables.clear();
    m_strError.clear();
    CDeviceStore to;
    if (to.Create(strTo) != DeviceStatus::Ok)
        return Fail(to.ErrorText());
    if (Fill(from.Database(), to) != 0) {
        to.Close();
        ::unlink(strTo.c_str());
        return Fail(strTo + ": " + m_strError);
    }
    return 0;
}

int CStoreRescue::Fill(CDatabase& from, CDeviceStore& to)
{
    CDatabase& db = to.Database();
    auto cannotWrite = [&] { return Fail("cannot write the new store: " + db.LastError()); };
    CTransaction tx(db);
    // The rows of the new store's own "SMS" store make way for the rescued
    // ones, which keep their ids.
    if (!tx.IsActive() || db.Exec("DELETE FROM folder; DELETE FROM msgstore") != SQLITE_OK)
        return cannotWrite();
    int64_t nRows = 0;
    for (const char* pszTable : kDeviceTables) {
        RescuedTable table;
        table.strName = pszTable;
        if (CopyTable(from, db, &table) != 0)
            return cannotWrite();
        nRows += table.nRows;
        m_tables.push_back(std::move(table));
    }
    auto failed = std::find_if(m_tables.begin(), m_tables.end(),
                               [](const RescuedTable& table) { return !table.strError.empty(); });
    if (nRows == 0 && failed != m_tables.end())
        return Fail("nothing could be read from the damaged store: " + failed->strError);
    // A store whose message stores are all lost gets the one a new store has.
    if (db.QueryInt("SELECT count(*) FROM msgstore") == 0 && to.InsertStore(std::string("SMS")) < 0)
        return cannotWrite();
    return tx.Commit() == SQLITE_OK ? 0 : cannotWrite();
}

int CStoreRescue::CopyTable(CDatabase& from, CDatabase& to, RescuedTable* pTable)
{
    std::optional<std::vector<Column>> columns = ColumnsOf(from, pTable->strName);
    if (!columns || columns->empty()) {
        pTable->strError = columns ? "the table is missing" : from.LastError();
        return 0;
    }
    std::optional<std::vector<Column>> present = ColumnsOf(to, pTable->strName);
    if (!present)
        return -1;
    std::string strSelect = "SELECT rowid", strInsert = "INSERT INTO " + pTable->strName + " (", strValues;
    for (size_t i = 0; i < columns->size(); ++i) {
        const Column& column = (*columns)[i];
        bool bPresent = std::any_of(present->begin(), present->end(),
                                    [&](const Column& other) { return other.strName == column.strName; });
        if (!bPresent) {
            // One statement only: a type that smuggles in more is refused.
            std::string strAdd =
                "ALTER TABLE " + pTable->strName + " ADD COLUMN " + Quoted(column.strName) + " " + column.strType;
            CStatement add(to, strAdd.c_str());
            if (!add.IsValid() || add.Step() != SQLITE_DONE)
                return -1;
        }
        strSelect += ", " + Quoted(column.strName);
        strInsert += (i ? ", " : "") + Quoted(column.strName);
        strValues += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    strSelect += " FROM " + pTable->strName + " WHERE rowid >= ?1 ORDER BY rowid";
    strInsert += ") VALUES (" + strValues + ")";

    CRowReader reader(from, strSelect);
    CStatement insert(to, strInsert.c_str());
    if (!insert.IsValid())
        return -1;
    if (!reader.IsValid()) {
        pTable->strError = from.LastError();
        return 0;
    }
    CStatement& rows = reader.Rows();
    int64_t nFrom = std::numeric_limits<int64_t>::min();
    int nStep = reader.Start(nFrom);
    for (;;) {
        for (; nStep == SQLITE_ROW; nStep = rows.Step()) {
            int64_t nRowid = rows.ColumnInt(0);
            insert.Reset();
            for (int i = 0; i < static_cast<int>(columns->size()); ++i)
                insert.BindColumn(i + 1, rows, i + 1);
            int nInsert = insert.Step();
            if (nInsert == SQLITE_DONE) {
                ++pTable->nRows;
            } else if ((nInsert & 0xff) == SQLITE_CONSTRAINT || (nInsert & 0xff) == SQLITE_MISMATCH) {
                if (pTable->nRefused++ == 0)
                    pTable->strRefusal = to.LastError();
            } else {
                return -1;
            }
            if (nRowid == std::numeric_limits<int64_t>::max())
                return 0;
            nFrom = nRowid + 1;
        }
        if (nStep == SQLITE_DONE)
            return 0;
        if (pTable->strError.empty())
            pTable->strError = from.LastError();
        ++pTable->nGaps;
        std::optional<int64_t> nNext = reader.NextReadable(nFrom);
        if (!nNext)
            return 0;
        nFrom = *nNext;
        nStep = reader.Start(nFrom);
    }
}
