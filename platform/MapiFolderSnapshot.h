#pragma once

// The message store's folder reader: a folder's messages read in one pass
// and kept compactly in memory, their recipients read in one more pass the
// first time they are asked for, and the reading of a message row that a
// lookup shares with it.

#include "device/Statement.h"
#include "platform/MapiProps.h"
#include "platform/StoreRead.h"
#include "platform/TextPool.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CStoreDb;

enum class TimeState { Absent, Present, Corrupt };

// A message's delivery time from the column nColumn: absent when NULL,
// corrupt when not a non-negative integer. The column's type is asked
// before its value, which reading it as an integer would convert.
inline TimeState ReadDeliveryTime(const CStatement& stmt, int nColumn, uint64_t* pnTime)
{
    *pnTime = 0;
    int nType = stmt.ColumnType(nColumn);
    if (nType == SQLITE_NULL)
        return TimeState::Absent;
    if (nType != SQLITE_INTEGER || stmt.ColumnInt(nColumn) < 0)
        return TimeState::Corrupt;
    *pnTime = static_cast<uint64_t>(stmt.ColumnInt(nColumn));
    return TimeState::Present;
}

// One message row, read by a contents table or by a lookup. A folder's
// pass leaves the subject out, which may be of any size and which the
// screens never show; it is looked up when asked for.
struct MessageData {
    int64_t nId = 0;
    int64_t nFolderId = 0;
    CEntryBytes entryId;
    std::optional<std::string> strSender;
    bool bSubjectRead = false;
    std::optional<std::string> strSubject;
    TimeState timeState = TimeState::Absent;
    uint64_t nTime = 0;

    // From the columns id, folder_id, entry_id, sender_name, subject and
    // delivery_time, in that order.
    void Read(const CStatement& stmt);
};

struct RecipientData {
    std::optional<std::string> strName;
    std::optional<std::string> strAddress;
};

// The messages of one folder in id order, and their recipients once asked
// for, held compactly: entry identifiers in one block, and each distinct
// text once.
class CFolderSnapshot
{
public:
    // Reads the folder's messages, from the start each time it is called.
    // A folder that holds a large share of the messages is read in one
    // sequential pass over the table, which SQLite does several times faster
    // than a walk of the folder index with a lookup per message; a small
    // folder is read through the index. Both give the messages by id.
    // Returns SQLite's last step code: SQLITE_DONE when every one was read.
    int LoadMessages(CDatabase& db, int64_t nFolderId);

    // Whether every message was read; a walk fails after the ones that were.
    bool IsComplete() const { return m_bComplete; }
    void SetComplete(bool bComplete) { m_bComplete = bComplete; }
    size_t Count() const { return m_messages.size(); }

    void Fill(size_t nIndex, MessageData* pData) const;

    // The recipients of one of the folder's messages, in position order. The
    // folder's recipients are read in one query the first time; false when
    // that read fails, for the caller to look the message up on its own.
    // Messages asked for in ascending order are found without a search.
    bool RecipientsOf(CStoreDb& db, int64_t nMessageId, std::vector<RecipientData>* pRows);

    // Reads the recipients of the folder's messages now, through the passes
    // that runPass runs (a callable taking the pass and returning its
    // PassResult), unless they were read before; for a reading ahead of the
    // walk. What could not be read is left unread, for the walk's own
    // reading to try again and report.
    template <class RunPass> void ReadRecipientsAhead(RunPass&& runPass)
    {
        if (m_bRecipientsRead)
            return;
        if (runPass([this](CDatabase& db) { return LoadRecipients(db); }) == PassResult::Complete) {
            m_bRecipientsRead = true;
            m_bRecipientsOk = true;
        } else {
            m_recipients.clear();
        }
    }

    // The rows read from the store since the last call; the reads may run on
    // another thread, and the thread that takes the snapshot counts them.
    uint64_t TakeRowsRead() { return std::exchange(m_nRowsRead, 0); }

private:
    static constexpr size_t kMaxOffset = UINT32_MAX - 1;
    // A delivery time stored is never negative, which leaves the top of the
    // range for the times that are not there.
    static constexpr uint64_t kAbsentTime = UINT64_MAX;
    static constexpr uint64_t kCorruptTime = UINT64_MAX - 1;

    // 24 bytes a message: a folder of a million is read into 24 MB and its
    // entry identifiers, and a sender is kept once for all its messages. A
    // message's entry identifier runs from its offset to the next one's.
    struct Message {
        int64_t nId = 0;
        uint64_t nTime = kAbsentTime;
        uint32_t nEntry = 0;
        uint32_t nSender = CTextPool::kNone;
    };
    // A recipient of m_messages[nMessage]; the texts are the pool's.
    struct Recipient {
        uint32_t nMessage = 0;
        uint32_t nName = CTextPool::kNone;
        uint32_t nAddress = CTextPool::kNone;
    };

    size_t EntryEnd(size_t nIndex) const
    {
        return nIndex + 1 < m_messages.size() ? m_messages[nIndex + 1].nEntry : m_entryBytes.size();
    }

    int LoadRecipients(CDatabase& db);
    // Steps a statement of the folder's passes, counting the row it stands on.
    int Step(CStatement& stmt)
    {
        int nCode = stmt.Step();
        if (nCode == SQLITE_ROW)
            ++m_nRowsRead;
        return nCode;
    }

    // Whether a message is one of the folder's, and *pnHint its index; on
    // the way in, where the last one asked for was, so that ids asked for
    // in ascending order cost no search.
    bool HasMessage(int64_t nMessageId, size_t* pnHint) const
    {
        size_t i = *pnHint;
        for (int nStep = 0; nStep < 2 && i < m_messages.size() && m_messages[i].nId < nMessageId; ++nStep)
            ++i;
        if (i >= m_messages.size() || m_messages[i].nId != nMessageId) {
            auto first = i < m_messages.size() && m_messages[i].nId < nMessageId
                             ? m_messages.begin() + static_cast<std::ptrdiff_t>(i)
                             : m_messages.begin();
            i = static_cast<size_t>(
                std::lower_bound(first, m_messages.end(), nMessageId,
                                 [](const Message& message, int64_t nId) { return message.nId < nId; }) -
                m_messages.begin());
        }
        *pnHint = i;
        return i < m_messages.size() && m_messages[i].nId == nMessageId;
    }

    int64_t m_nFolderId = 0;
    bool m_bLarge = false;
    bool m_bComplete = false;
    std::vector<Message> m_messages;
    std::vector<BYTE> m_entryBytes;
    // The senders', the recipients' names and their addresses.
    CTextPool m_texts {false};
    bool m_bRecipientsRead = false;
    bool m_bRecipientsOk = false;
    std::vector<Recipient> m_recipients;
    size_t m_nRecipientHint = 0;
    size_t m_nMessageHint = 0;
    uint64_t m_nRowsRead = 0;
};
