#include "device/StoreWriter.h"

#include <sqlite3.h>

#include <string>

namespace {

constexpr int kCallColumns = 9;
constexpr int kMessageColumns = 5;

// "INSERT INTO table (columns, extra) VALUES (?1, ...)".
std::string InsertSql(OnDuplicate onDuplicate, const char* pszTable, const char* pszColumns, int nColumns,
                      std::span<const char* const> extra)
{
    std::string strSql = onDuplicate == OnDuplicate::Skip ? "INSERT OR IGNORE INTO " : "INSERT INTO ";
    strSql += pszTable;
    strSql += " (";
    strSql += pszColumns;
    for (const char* pszColumn : extra) {
        strSql += ", ";
        strSql += pszColumn;
    }
    strSql += ") VALUES (";
    int nAll = nColumns + static_cast<int>(extra.size());
    for (int i = 1; i <= nAll; ++i)
        strSql += (i > 1 ? ", ?" : "?") + std::to_string(i);
    strSql += ')';
    return strSql;
}

// Reset leaves every parameter NULL, so an absent text needs no binding.
void BindPresent(CStatement& stmt, int nIndex, const std::optional<std::string>& strValue)
{
    if (strValue)
        stmt.BindText(nIndex, std::string_view(*strValue));
}

} // namespace

int CStoreWriter::Prepare(CDatabase& db, OnDuplicate onDuplicate, std::span<const char* const> callColumns,
                          std::span<const char* const> messageColumns)
{
    m_pDb = &db;
    m_nCallColumns = callColumns.size();
    m_nMessageColumns = messageColumns.size();
    std::string strCall = InsertSql(onDuplicate, "calllog",
                                    "start_time, end_time, iom, flags, cidt, number, name, name_type, note",
                                    kCallColumns, callColumns);
    std::string strMessage = InsertSql(onDuplicate, "message", "folder_id, sender_name, subject, delivery_time, body",
                                       kMessageColumns, messageColumns);
    if (m_call.Prepare(db, strCall.c_str()) != SQLITE_OK || m_message.Prepare(db, strMessage.c_str()) != SQLITE_OK ||
        m_recipient.Prepare(db, "INSERT INTO recipient (message_id, position, display_name, email_address) "
                                "VALUES (?1, ?2, ?3, ?4)") != SQLITE_OK)
        return -1;
    // Every insert binds, steps and resets before it returns, while the
    // texts that it binds are the caller's.
    for (CStatement* pStmt : {&m_call, &m_message, &m_recipient})
        pStmt->BindWithoutCopies();
    return 0;
}

int CStoreWriter::BindExtra(CStatement& stmt, int nFirst, size_t nColumns, std::span<const SqlValue> extra)
{
    if (extra.size() != nColumns) {
        m_pDb->SetError(SQLITE_MISUSE, std::to_string(extra.size()) + " values for " + std::to_string(nColumns) +
                                           " columns of the writer's own");
        return -1;
    }
    for (size_t i = 0; i < extra.size(); ++i) {
        if (!std::holds_alternative<std::monostate>(extra[i]))
            stmt.BindValue(nFirst + static_cast<int>(i), extra[i]);
    }
    return 0;
}

int CStoreWriter::Finish(CStatement& stmt, bool* pAdded)
{
    int nStep = stmt.Step();
    if (pAdded)
        *pAdded = nStep == SQLITE_DONE && sqlite3_changes(m_pDb->Handle()) > 0;
    stmt.Reset();
    return nStep == SQLITE_DONE ? 0 : -1;
}

int CStoreWriter::InsertCall(const DeviceCall& call, std::span<const SqlValue> extra, bool* pAdded)
{
    if (!m_call.IsValid())
        return -1;
    m_call.Reset();
    m_call.BindInt(1, call.nStartTime);
    m_call.BindInt(2, call.nEndTime);
    m_call.BindInt(3, call.nIom);
    m_call.BindInt(4, call.nFlags);
    m_call.BindInt(5, call.nCidt);
    BindPresent(m_call, 6, call.strNumber);
    BindPresent(m_call, 7, call.strName);
    BindPresent(m_call, 8, call.strNameType);
    BindPresent(m_call, 9, call.strNote);
    if (BindExtra(m_call, kCallColumns + 1, m_nCallColumns, extra) != 0)
        return -1;
    return Finish(m_call, pAdded);
}

int CStoreWriter::InsertMessage(const DeviceMessage& message, std::span<const SqlValue> extra, bool* pAdded)
{
    if (!m_message.IsValid())
        return -1;
    m_message.Reset();
    m_message.BindInt(1, message.nFolderId);
    BindPresent(m_message, 2, message.strSenderName);
    BindPresent(m_message, 3, message.strSubject);
    if (message.nDeliveryTime)
        m_message.BindInt(4, *message.nDeliveryTime);
    BindPresent(m_message, 5, message.strBody);
    if (BindExtra(m_message, kMessageColumns + 1, m_nMessageColumns, extra) != 0)
        return -1;
    bool bAdded = false;
    if (Finish(m_message, &bAdded) != 0)
        return -1;
    if (pAdded)
        *pAdded = bAdded;
    if (!bAdded)
        return 0;
    int64_t nMessage = sqlite3_last_insert_rowid(m_pDb->Handle());
    for (size_t i = 0; i < message.recipients.size(); ++i) {
        m_recipient.Reset();
        m_recipient.BindInt(1, nMessage);
        m_recipient.BindInt(2, static_cast<int64_t>(i));
        BindPresent(m_recipient, 3, message.recipients[i].strDisplayName);
        BindPresent(m_recipient, 4, message.recipients[i].strEmailAddress);
        if (Finish(m_recipient, nullptr) != 0)
            return -1;
    }
    return 0;
}
