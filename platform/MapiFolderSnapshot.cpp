#include "platform/MapiFolderSnapshot.h"

#include "platform/MapiStoreDb.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// A text of the folder's pool, or none. Kept here, where all its callers
// are, so that it is compiled into them.
inline void AssignText(const CTextPool& texts, uint32_t nText, std::optional<std::string>* pText)
{
    if (auto strText = texts.Utf8(nText))
        pText->emplace(*strText);
    else
        pText->reset();
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
    m_texts.Clear();
    m_bRecipientsRead = false;
    m_bRecipientsOk = false;
    m_recipients.clear();
    CStatement counts(db, "SELECT count(*), (SELECT count(*) FROM message) FROM message WHERE folder_id = ?1");
    counts.BindInt(1, nFolderId);
    if (counts.Step() == SQLITE_ROW) {
        m_bLarge = 4 * counts.ColumnInt(0) > counts.ColumnInt(1);
        // Entry identifiers are normally 16 bytes.
        auto nCount = static_cast<size_t>(std::max<int64_t>(counts.ColumnInt(0), 0));
        m_messages.reserve(nCount);
        m_entryBytes.reserve(16 * nCount);
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
        // Offsets are 32 bits: a folder with more than 4 GB of entry
        // identifiers is read as far as they reach, and fails there.
        if (m_entryBytes.size() + cbEntry > kMaxOffset) {
            nCode = SQLITE_FULL;
            break;
        }
        message.nEntry = static_cast<uint32_t>(m_entryBytes.size());
        m_entryBytes.insert(m_entryBytes.end(), pEntry, pEntry + cbEntry);
        message.nSender = m_texts.Add(rows.ColumnTextView(2));
        uint64_t nTime = 0;
        TimeState state = ReadDeliveryTime(rows, 3, &nTime);
        message.nTime = state == TimeState::Present  ? nTime
                        : state == TimeState::Absent ? kAbsentTime
                                                     : kCorruptTime;
        m_messages.push_back(message);
    }
    m_bComplete = nCode == SQLITE_DONE;
    return nCode;
}

void CFolderSnapshot::Fill(size_t nIndex, MessageData* pData) const
{
    const Message& message = m_messages[nIndex];
    pData->nId = message.nId;
    pData->nFolderId = m_nFolderId;
    pData->entryId.Assign(m_entryBytes.data() + message.nEntry, EntryEnd(nIndex) - message.nEntry);
    AssignText(m_texts, message.nSender, &pData->strSender);
    pData->bSubjectRead = false;
    pData->strSubject.reset();
    pData->timeState = message.nTime == kAbsentTime    ? TimeState::Absent
                       : message.nTime == kCorruptTime ? TimeState::Corrupt
                                                       : TimeState::Present;
    pData->nTime = pData->timeState == TimeState::Present ? message.nTime : 0;
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
    // A message of another folder has none here.
    size_t nMessage = m_nMessageHint;
    if (!HasMessage(nMessageId, &nMessage))
        return true;
    m_nMessageHint = nMessage;
    auto byMessage = [](const Recipient& recipient, size_t n) { return recipient.nMessage < n; };
    size_t i = m_nRecipientHint;
    if (i >= m_recipients.size() || m_recipients[i].nMessage != nMessage) {
        auto first = i < m_recipients.size() && m_recipients[i].nMessage < nMessage
                         ? m_recipients.begin() + static_cast<std::ptrdiff_t>(i)
                         : m_recipients.begin();
        i = static_cast<size_t>(std::lower_bound(first, m_recipients.end(), nMessage, byMessage) -
                                m_recipients.begin());
    }
    for (; i < m_recipients.size() && m_recipients[i].nMessage == nMessage; ++i) {
        RecipientData row;
        AssignText(m_texts, m_recipients[i].nName, &row.strName);
        AssignText(m_texts, m_recipients[i].nAddress, &row.strAddress);
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
    m_nMessageHint = 0;
    CStatement rows(db, m_bLarge ? "SELECT message_id, position, display_name, email_address FROM recipient"
                                 : "SELECT r.message_id, r.position, r.display_name, r.email_address "
                                   "FROM message m JOIN recipient r ON r.message_id = m.id "
                                   "WHERE m.folder_id = ?1 ORDER BY m.id, r.position");
    if (!rows.IsValid())
        return db.LastCode();
    if (!m_bLarge)
        rows.BindInt(1, m_nFolderId);
    // The positions are needed only to put the rows in order, which they
    // normally are already.
    std::vector<int64_t> positions;
    bool bSorted = true;
    size_t nHint = 0;
    int nCode;
    while ((nCode = Step(rows)) == SQLITE_ROW) {
        // A row whose message the folder's pass did not see (another
        // folder's, or one written since) is no recipient of this folder.
        if (!HasMessage(rows.ColumnInt(0), &nHint))
            continue;
        Recipient recipient;
        recipient.nMessage = static_cast<uint32_t>(nHint);
        int64_t nPosition = rows.ColumnInt(1);
        if (bSorted && !m_recipients.empty()) {
            const Recipient& last = m_recipients.back();
            bSorted = last.nMessage < recipient.nMessage ||
                      (last.nMessage == recipient.nMessage && positions.back() <= nPosition);
        }
        recipient.nName = m_texts.Add(rows.ColumnTextView(2));
        recipient.nAddress = m_texts.Add(rows.ColumnTextView(3));
        m_recipients.push_back(recipient);
        positions.push_back(nPosition);
    }
    if (nCode != SQLITE_DONE)
        return nCode;
    if (!bSorted) {
        std::vector<uint32_t> order(m_recipients.size());
        for (uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const Recipient& ra = m_recipients[a];
            const Recipient& rb = m_recipients[b];
            return ra.nMessage != rb.nMessage ? ra.nMessage < rb.nMessage : positions[a] < positions[b];
        });
        std::vector<Recipient> sorted;
        sorted.reserve(order.size());
        for (uint32_t i : order)
            sorted.push_back(m_recipients[i]);
        m_recipients.swap(sorted);
    }
    m_recipients.shrink_to_fit();
    return SQLITE_DONE;
}
