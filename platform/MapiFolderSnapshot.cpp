#include "platform/MapiFolderSnapshot.h"

#include "platform/MapiStoreDb.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// A text of the folder's block; a missing one has no offset. Kept here,
// where all its callers are, so that it is compiled into them.
inline void AssignText(const std::string& strText, uint32_t nOffset, uint32_t cb, std::optional<std::string>* pText)
{
    if (nOffset == UINT32_MAX)
        pText->reset();
    else
        pText->emplace(strText, nOffset, cb);
}

} // namespace

void MessageData::Read(const CStatement& stmt)
{
    nId = stmt.ColumnInt(0);
    nFolderId = stmt.ColumnInt(1);
    // The blob's bytes first, then their count, as SQLite asks.
    const auto* pEntry = static_cast<const BYTE*>(stmt.ColumnBlobData(2));
    entryId.Assign(pEntry, pEntry ? static_cast<size_t>(stmt.ColumnBytes(2)) : 0);
    strSender = stmt.ColumnText(3);
    bSubjectRead = true;
    strSubject = stmt.ColumnText(4);
    timeState = ReadDeliveryTime(stmt, 5, &nTime);
}

int CFolderSnapshot::LoadMessages(CDatabase& db, int64_t nFolderId)
{
    m_nFolderId = nFolderId;
    m_bComplete = false;
    m_messages.clear();
    m_entryBytes.clear();
    m_text.clear();
    CStatement counts(db, "SELECT count(*), (SELECT count(*) FROM message) FROM message WHERE folder_id = ?1");
    counts.BindInt(1, nFolderId);
    if (counts.Step() == SQLITE_ROW) {
        m_bLarge = 4 * counts.ColumnInt(0) > counts.ColumnInt(1);
        // Entry identifiers are normally 16 bytes; an SMS sender is a
        // number or a short name.
        auto nCount = static_cast<size_t>(std::max<int64_t>(counts.ColumnInt(0), 0));
        m_messages.reserve(nCount);
        m_entryBytes.reserve(16 * nCount);
        m_text.reserve(16 * nCount);
    }
    counts = CStatement();
    // A unary plus keeps SQLite from using the folder index.
    std::string strSql = std::string("SELECT m.id, m.entry_id, m.sender_name, m.delivery_time FROM message m WHERE ") +
                         (m_bLarge ? "+" : "") + "m.folder_id = ?1 ORDER BY m.id";
    CStatement rows(db, strSql.c_str());
    if (!rows.IsValid())
        return db.LastCode();
    rows.BindInt(1, nFolderId);
    int nCode;
    while ((nCode = Step(rows)) == SQLITE_ROW) {
        Message message;
        message.nId = rows.ColumnInt(0);
        const auto* pEntry = static_cast<const BYTE*>(rows.ColumnBlobData(1));
        size_t cbEntry = pEntry ? static_cast<size_t>(rows.ColumnBytes(1)) : 0;
        // Offsets are 32 bits: a folder with more than 4 GB of texts
        // is read as far as they reach, and fails there.
        if (m_entryBytes.size() + cbEntry > kMaxOffset || !AddText(rows.ColumnTextView(2), &message.sender)) {
            nCode = SQLITE_FULL;
            break;
        }
        message.nEntry = static_cast<uint32_t>(m_entryBytes.size());
        message.cbEntry = static_cast<uint32_t>(cbEntry);
        m_entryBytes.insert(m_entryBytes.end(), pEntry, pEntry + cbEntry);
        message.timeState = ReadDeliveryTime(rows, 3, &message.nTime);
        m_messages.push_back(message);
    }
    m_bComplete = nCode == SQLITE_DONE;
    m_nMessageText = m_text.size();
    return nCode;
}

void CFolderSnapshot::Fill(size_t nIndex, MessageData* pData) const
{
    const Message& message = m_messages[nIndex];
    pData->nId = message.nId;
    pData->nFolderId = m_nFolderId;
    pData->entryId.Assign(m_entryBytes.data() + message.nEntry, message.cbEntry);
    AssignText(m_text, message.sender.nOffset, message.sender.cb, &pData->strSender);
    pData->bSubjectRead = false;
    pData->strSubject.reset();
    pData->timeState = message.timeState;
    pData->nTime = message.nTime;
}

bool CFolderSnapshot::RecipientsOf(CStoreDb& db, int64_t nMessageId, std::vector<RecipientData>* pRows)
{
    if (!m_bRecipientsRead) {
        m_bRecipientsRead = true;
        m_bRecipientsOk =
            db.ReadPass([this](CDatabase& connection) { return LoadRecipients(connection); }) == PassResult::Complete;
        g_mapiCounts.nStoreRowsRead += TakeRowsRead();
        if (!m_bRecipientsOk)
            m_recipients.clear();
    }
    if (!m_bRecipientsOk)
        return false;
    auto byMessage = [](const Recipient& recipient, int64_t nId) { return recipient.nMessageId < nId; };
    size_t i = m_nRecipientHint;
    if (i >= m_recipients.size() || m_recipients[i].nMessageId != nMessageId) {
        auto first = i < m_recipients.size() && m_recipients[i].nMessageId < nMessageId
                         ? m_recipients.begin() + static_cast<std::ptrdiff_t>(i)
                         : m_recipients.begin();
        i = static_cast<size_t>(std::lower_bound(first, m_recipients.end(), nMessageId, byMessage) -
                                m_recipients.begin());
    }
    for (; i < m_recipients.size() && m_recipients[i].nMessageId == nMessageId; ++i) {
        RecipientData row;
        AssignText(m_text, m_recipients[i].name.nOffset, m_recipients[i].name.cb, &row.strName);
        AssignText(m_text, m_recipients[i].address.nOffset, m_recipients[i].address.cb, &row.strAddress);
        pRows->push_back(std::move(row));
    }
    m_nRecipientHint = i;
    return true;
}

// The recipients of the folder's messages by message id, each message's in
// position order. For a large folder the recipient table is read in one
// sequential pass and its rows kept when their message is one of the
// folder's, which costs a fraction of a lookup per row through the indexes;
// rows are normally stored in that order already, and sorted when they are
// not. A small folder's are looked up through the indexes.
int CFolderSnapshot::LoadRecipients(CDatabase& db)
{
    m_recipients.clear();
    m_nRecipientHint = 0;
    m_text.resize(m_nMessageText);
    CStatement rows(db, m_bLarge ? "SELECT message_id, position, display_name, email_address FROM recipient"
                                 : "SELECT r.message_id, r.position, r.display_name, r.email_address "
                                   "FROM message m JOIN recipient r ON r.message_id = m.id "
                                   "WHERE m.folder_id = ?1 ORDER BY m.id, r.position");
    if (!rows.IsValid())
        return db.LastCode();
    if (!m_bLarge)
        rows.BindInt(1, m_nFolderId);
    size_t nHint = 0;
    int nCode;
    while ((nCode = Step(rows)) == SQLITE_ROW) {
        Recipient recipient;
        recipient.nMessageId = rows.ColumnInt(0);
        recipient.nPosition = rows.ColumnInt(1);
        if (m_bLarge && !HasMessage(recipient.nMessageId, &nHint))
            continue;
        if (!AddText(rows.ColumnTextView(2), &recipient.name) || !AddText(rows.ColumnTextView(3), &recipient.address)) {
            nCode = SQLITE_FULL;
            break;
        }
        m_recipients.push_back(recipient);
    }
    if (nCode != SQLITE_DONE)
        return nCode;
    auto before = [](const Recipient& a, const Recipient& b) {
        return a.nMessageId != b.nMessageId ? a.nMessageId < b.nMessageId : a.nPosition < b.nPosition;
    };
    if (!std::is_sorted(m_recipients.begin(), m_recipients.end(), before))
        std::stable_sort(m_recipients.begin(), m_recipients.end(), before);
    return SQLITE_DONE;
}
