#include "platform/MapiStore.h"

#include "device/DeviceStore.h"
#include "platform/WideText.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

// The messaging service is used from the user-interface thread only, so the
// state below needs no locks.

namespace {

MapiReadCounts g_counts;
MapiFault g_fault;
int g_nInitialized = 0;

HRESULT CheckFault(MapiFaultStep step, int64_t nMessageId)
{
    return g_fault ? g_fault(step, nMessageId) : S_OK;
}

int StepRow(CStatement& stmt)
{
    int nCode = stmt.Step();
    if (nCode == SQLITE_ROW)
        ++g_counts.nStoreRowsRead;
    return nCode;
}

// Takes a shared statement for one lookup and resets it afterwards, so that
// no read stays open on the device store between two steps of the program.
class CLookup
{
public:
    explicit CLookup(CStatement& stmt)
        : m_stmt(stmt)
    {
        m_stmt.Reset();
    }
    ~CLookup() { m_stmt.Reset(); }
    CLookup(const CLookup&) = delete;
    CLookup& operator=(const CLookup&) = delete;
    CStatement* operator->() { return &m_stmt; }
    const CStatement& operator*() const { return m_stmt; }
    int Step() { return StepRow(m_stmt); }

private:
    CStatement& m_stmt;
};

using Bytes = std::vector<BYTE>;

// A message's entry identifier: held inline when short, as identifiers
// normally are, so that reading a row of a large folder allocates nothing
// for it.
class CEntryBytes
{
public:
    void Assign(const BYTE* pData, size_t cb)
    {
        m_cb = cb;
        if (cb <= m_inline.size()) {
            if (cb)
                std::memcpy(m_inline.data(), pData, cb);
        } else {
            m_heap.assign(pData, pData + cb);
        }
    }
    const BYTE* Data() const { return m_cb <= m_inline.size() ? m_inline.data() : m_heap.data(); }
    size_t Size() const { return m_cb; }

private:
    std::array<BYTE, 32> m_inline {};
    Bytes m_heap;
    size_t m_cb = 0;
};

bool SameBytes(const BYTE* pData, size_t cbData, ULONG cb, const ENTRYID* pEntry)
{
    return cbData == cb && (cb == 0 || std::memcmp(pData, pEntry, cb) == 0);
}

// Collects the property values of one row or one GetProps call, and hands
// them out as one block that MAPIFreeBuffer releases. One builder serves
// every call, so its buffers keep their size from one message to the next.
class CPropBuilder
{
public:
    void Clear()
    {
        m_items.clear();
        m_strText.clear();
        m_bytes.clear();
        m_bErrors = false;
    }

    void AddError(ULONG ulTag, SCODE sc)
    {
        m_items.push_back({PROP_TAG(PT_ERROR, PROP_ID(ulTag)), Kind::Error, sc, 0, 0, 0});
        m_bErrors = true;
    }

    void AddText(ULONG ulTag, const std::optional<std::string>& strUtf8)
    {
        if (!strUtf8) {
            AddError(ulTag, MAPI_E_NOT_FOUND);
            return;
        }
        size_t nOffset = m_strText.size();
        AppendWideFromUtf8(*strUtf8, &m_strText);
        m_strText.push_back(L'\0');
        m_items.push_back({ulTag, Kind::Text, 0, nOffset, 0, 0});
    }

    void AddBinary(ULONG ulTag, const BYTE* pData, size_t cb)
    {
        size_t nOffset = m_bytes.size();
        m_bytes.insert(m_bytes.end(), pData, pData + cb);
        m_items.push_back({ulTag, Kind::Binary, 0, nOffset, cb, 0});
    }
    void AddBinary(ULONG ulTag, const Bytes& bytes) { AddBinary(ulTag, bytes.data(), bytes.size()); }
    void AddBinary(ULONG ulTag, const CEntryBytes& bytes) { AddBinary(ulTag, bytes.Data(), bytes.Size()); }

    void AddTime(ULONG ulTag, uint64_t nTicks) { m_items.push_back({ulTag, Kind::Time, 0, 0, 0, nTicks}); }

    bool HasErrors() const { return m_bErrors; }
    ULONG Count() const { return static_cast<ULONG>(m_items.size()); }

    // Null when memory runs out.
    SPropValue* Build() const
    {
        size_t cbProps = m_items.size() * sizeof(SPropValue);
        size_t cbText = m_strText.size() * sizeof(wchar_t);
        size_t cb = cbProps + cbText + m_bytes.size();
        auto* pBlock = static_cast<BYTE*>(std::malloc(cb ? cb : 1));
        if (!pBlock)
            return nullptr;
        auto* pProps = reinterpret_cast<SPropValue*>(pBlock);
        auto* pText = reinterpret_cast<wchar_t*>(pBlock + cbProps);
        BYTE* pBytes = pBlock + cbProps + cbText;
        if (cbText)
            std::memcpy(pText, m_strText.data(), cbText);
        if (!m_bytes.empty())
            std::memcpy(pBytes, m_bytes.data(), m_bytes.size());
        for (size_t i = 0; i < m_items.size(); ++i) {
            const Item& item = m_items[i];
            SPropValue& value = pProps[i];
            value.ulPropTag = item.ulTag;
            value.dwAlignPad = 0;
            switch (item.kind) {
            case Kind::Error:
                value.Value.err = item.sc;
                break;
            case Kind::Text:
                value.Value.lpszW = pText + item.nOffset;
                break;
            case Kind::Binary:
                value.Value.bin.cb = static_cast<ULONG>(item.cb);
                value.Value.bin.lpb = item.cb ? pBytes + item.nOffset : nullptr;
                break;
            case Kind::Time:
                value.Value.ft = TicksToFileTime(item.nTicks);
                break;
            }
        }
        return pProps;
    }

private:
    enum class Kind { Error, Text, Binary, Time };
    struct Item {
        ULONG ulTag;
        Kind kind;
        SCODE sc;
        size_t nOffset;
        size_t cb;
        uint64_t nTicks;
    };

    std::vector<Item> m_items;
    std::wstring m_strText;
    Bytes m_bytes;
    bool m_bErrors = false;
};

CPropBuilder& Builder()
{
    static CPropBuilder s_builder;
    return s_builder;
}

HRESULT HandOutProps(const CPropBuilder& builder, ULONG* pcValues, SPropValue** ppProps)
{
    SPropValue* pProps = builder.Build();
    if (!pProps)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *pcValues = builder.Count();
    *ppProps = pProps;
    return builder.HasErrors() ? MAPI_W_ERRORS_RETURNED : S_OK;
}

class CFolderSnapshot;

// One read-only connection to the device store with the lookups that the
// objects below share, and the folders read so far.
class CStoreDb
{
    // First, so that it outlives the statements below.
    CDeviceStore m_store;

public:
    bool Open(const std::string& strPath)
    {
        if (m_store.OpenReadOnly(strPath, StoreCheck::Schema) != DeviceStatus::Ok)
            return false;
        CDatabase& db = m_store.Database();
        return m_storeByEntry.Prepare(db, "SELECT id, display_name FROM msgstore WHERE entry_id = ?1") == SQLITE_OK &&
               m_storeCount.Prepare(db, "SELECT count(*) FROM msgstore") == SQLITE_OK &&
               m_folderOfRole.Prepare(db, "SELECT entry_id FROM folder WHERE store_id = ?1 AND role = ?2 "
                                          "ORDER BY id LIMIT 1") == SQLITE_OK &&
               m_folderByEntry.Prepare(db, "SELECT id, display_name FROM folder "
                                           "WHERE entry_id = ?1 AND store_id = ?2") == SQLITE_OK &&
               m_messageByEntry.Prepare(db, "SELECT m.id, m.folder_id, m.entry_id, m.sender_name, m.subject, "
                                            "m.delivery_time, typeof(m.delivery_time) = 'integer' "
                                            "FROM message m JOIN folder f ON f.id = m.folder_id "
                                            "WHERE m.entry_id = ?1 AND f.store_id = ?2") == SQLITE_OK &&
               m_messageCount.Prepare(db, "SELECT count(*) FROM message WHERE folder_id = ?1") == SQLITE_OK &&
               m_recipientsOfMessage.Prepare(db, "SELECT display_name, email_address FROM recipient "
                                                 "WHERE message_id = ?1 ORDER BY position") == SQLITE_OK;
    }

    CDatabase& Db() { return m_store.Database(); }

    // The folder's messages as the store holds them now: read whole the
    // first time they are asked for and kept until the store changes, so
    // that a second walk of a folder, as a report by time makes after a
    // summary, reads nothing more. A read that failed part way is handed
    // out once and not kept.
    std::shared_ptr<CFolderSnapshot> Folder(int64_t nFolderId);

    CStatement m_storeByEntry;
    CStatement m_storeCount;
    CStatement m_folderOfRole;
    CStatement m_folderByEntry;
    CStatement m_messageByEntry;
    CStatement m_messageCount;
    CStatement m_recipientsOfMessage;

private:
    CStatement m_dataVersion;
    int64_t m_nDataVersion = -1;
    std::map<int64_t, std::shared_ptr<CFolderSnapshot>> m_folders;
};

// The process keeps one connection to the device named by the environment
// and opens it anew only when that names another file, so that a session
// costs no store check. The connection sees what others write meanwhile.
class CDeviceSource
{
public:
    std::shared_ptr<CStoreDb> Current()
    {
        std::string strPath = DefaultDevicePath();
        FileStamp stamp = Stamp(strPath);
        if (m_pDb && strPath == m_strPath && stamp == m_stamp)
            return m_pDb;
        m_strPath = strPath;
        m_stamp = stamp;
        m_pDb.reset();
        if (!stamp.bExists)
            return nullptr;
        auto pDb = std::make_shared<CStoreDb>();
        if (pDb->Open(strPath))
            m_pDb = std::move(pDb);
        return m_pDb;
    }

private:
    // A store opened while in WAL mode without a -wal file is read as
    // immutable, so a -wal file appearing later calls for a new connection.
    struct FileStamp {
        bool bExists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        bool bWal = false;
        bool operator==(const FileStamp&) const = default;
    };

    static FileStamp Stamp(const std::string& strPath)
    {
        FileStamp stamp;
        struct stat st {};
        if (::stat(strPath.c_str(), &st) == 0) {
            stamp.bExists = true;
            stamp.dev = st.st_dev;
            stamp.ino = st.st_ino;
        }
        stamp.bWal = ::stat((strPath + "-wal").c_str(), &st) == 0;
        return stamp;
    }

    std::string m_strPath;
    FileStamp m_stamp;
    std::shared_ptr<CStoreDb> m_pDb;
};

CDeviceSource& Source()
{
    static CDeviceSource s_source;
    return s_source;
}

enum class TimeState { Absent, Present, Corrupt };

// A message's delivery time from the column nColumn, the next column telling
// whether the value is stored as an integer: absent when NULL, corrupt when
// not a non-negative integer.
TimeState ReadDeliveryTime(const CStatement& stmt, int nColumn, uint64_t* pnTime)
{
    *pnTime = 0;
    if (stmt.ColumnIsNull(nColumn))
        return TimeState::Absent;
    if (stmt.ColumnInt(nColumn + 1) == 0 || stmt.ColumnInt(nColumn) < 0)
        return TimeState::Corrupt;
    *pnTime = static_cast<uint64_t>(stmt.ColumnInt(nColumn));
    return TimeState::Present;
}

// One message row, read by a contents table or by a lookup; the columns of
// kMessageColumns in their order.
struct MessageData {
    int64_t nId = 0;
    int64_t nFolderId = 0;
    CEntryBytes entryId;
    std::optional<std::string> strSender;
    std::optional<std::string> strSubject;
    TimeState timeState = TimeState::Absent;
    uint64_t nTime = 0;

    void Read(const CStatement& stmt)
    {
        nId = stmt.ColumnInt(0);
        nFolderId = stmt.ColumnInt(1);
        // The blob's bytes first, then their count, as SQLite asks.
        const auto* pEntry = static_cast<const BYTE*>(stmt.ColumnBlobData(2));
        entryId.Assign(pEntry, pEntry ? static_cast<size_t>(stmt.ColumnBytes(2)) : 0);
        strSender = stmt.ColumnText(3);
        strSubject = stmt.ColumnText(4);
        timeState = ReadDeliveryTime(stmt, 5, &nTime);
    }
};

void AddMessageProp(CPropBuilder& builder, ULONG ulTag, const MessageData& data)
{
    switch (ulTag) {
    case PR_ENTRYID:
        builder.AddBinary(ulTag, data.entryId);
        break;
    case PR_SENDER_NAME:
        builder.AddText(ulTag, data.strSender);
        break;
    case PR_SUBJECT:
        builder.AddText(ulTag, data.strSubject);
        break;
    case PR_MESSAGE_DELIVERY_TIME:
        if (data.timeState == TimeState::Present)
            builder.AddTime(ulTag, data.nTime);
        else
            builder.AddError(ulTag, data.timeState == TimeState::Absent ? MAPI_E_NOT_FOUND : MAPI_E_CORRUPT_DATA);
        break;
    default:
        builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        break;
    }
}

struct RecipientData {
    std::optional<std::string> strName;
    std::optional<std::string> strAddress;
};

// The messages of one folder in id order, and their recipients once asked
// for, held compactly: texts and entry identifiers in one block each.
class CFolderSnapshot
{
public:
    // Reads the folder's messages. A folder that holds a large share of the
    // messages is read in one sequential pass over the table, which SQLite
    // does several times faster than a walk of the folder index with a
    // lookup per message; a small folder is read through the index. Both
    // give the messages by id.
    void LoadMessages(CDatabase& db, int64_t nFolderId)
    {
        m_nFolderId = nFolderId;
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
        std::string strSql = std::string("SELECT m.id, m.entry_id, m.sender_name, m.subject, m.delivery_time, "
                                         "typeof(m.delivery_time) = 'integer' FROM message m WHERE ") +
                             (m_bLarge ? "+" : "") + "m.folder_id = ?1 ORDER BY m.id";
        CStatement rows(db, strSql.c_str());
        if (!rows.IsValid())
            return;
        rows.BindInt(1, nFolderId);
        int nCode;
        while ((nCode = StepRow(rows)) == SQLITE_ROW) {
            Message message;
            message.nId = rows.ColumnInt(0);
            const auto* pEntry = static_cast<const BYTE*>(rows.ColumnBlobData(1));
            size_t cbEntry = pEntry ? static_cast<size_t>(rows.ColumnBytes(1)) : 0;
            // Offsets are 32 bits: a folder with more than 4 GB of texts
            // is read as far as they reach, and fails there.
            if (m_entryBytes.size() + cbEntry > kMaxOffset || !AddText(rows.ColumnTextView(2), &message.sender) ||
                !AddText(rows.ColumnTextView(3), &message.subject)) {
                nCode = SQLITE_FULL;
                break;
            }
            message.nEntry = static_cast<uint32_t>(m_entryBytes.size());
            message.cbEntry = static_cast<uint32_t>(cbEntry);
            m_entryBytes.insert(m_entryBytes.end(), pEntry, pEntry + cbEntry);
            message.timeState = ReadDeliveryTime(rows, 4, &message.nTime);
            m_messages.push_back(message);
        }
        m_bComplete = nCode == SQLITE_DONE;
    }

    // Whether every message was read; a walk fails after the ones that were.
    bool IsComplete() const { return m_bComplete; }
    size_t Count() const { return m_messages.size(); }

    void Fill(size_t nIndex, MessageData* pData) const
    {
        const Message& message = m_messages[nIndex];
        pData->nId = message.nId;
        pData->nFolderId = m_nFolderId;
        pData->entryId.Assign(m_entryBytes.data() + message.nEntry, message.cbEntry);
        AssignText(message.sender, &pData->strSender);
        AssignText(message.subject, &pData->strSubject);
        pData->timeState = message.timeState;
        pData->nTime = message.nTime;
    }

    // The recipients of one of the folder's messages, in position order. The
    // folder's recipients are read in one query the first time; false when
    // that read fails, for the caller to look the message up on its own.
    // Messages asked for in ascending order are found without a search.
    bool RecipientsOf(CDatabase& db, int64_t nMessageId, std::vector<RecipientData>* pRows)
    {
        if (!m_bRecipientsRead) {
            m_bRecipientsRead = true;
            m_bRecipientsOk = LoadRecipients(db);
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
            AssignText(m_recipients[i].name, &row.strName);
            AssignText(m_recipients[i].address, &row.strAddress);
            pRows->push_back(std::move(row));
        }
        m_nRecipientHint = i;
        return true;
    }

private:
    static constexpr size_t kMaxOffset = UINT32_MAX - 1;

    // A text in m_text; a missing one has no offset.
    struct TextRef {
        uint32_t nOffset = UINT32_MAX;
        uint32_t cb = 0;
    };
    struct Message {
        int64_t nId = 0;
        uint64_t nTime = 0;
        uint32_t nEntry = 0;
        uint32_t cbEntry = 0;
        TextRef sender;
        TextRef subject;
        TimeState timeState = TimeState::Absent;
    };
    struct Recipient {
        int64_t nMessageId = 0;
        int64_t nPosition = 0;
        TextRef name;
        TextRef address;
    };

    bool AddText(const std::optional<std::string_view>& strText, TextRef* pRef)
    {
        *pRef = TextRef {};
        if (!strText)
            return true;
        if (m_text.size() + strText->size() > kMaxOffset)
            return false;
        *pRef = TextRef {static_cast<uint32_t>(m_text.size()), static_cast<uint32_t>(strText->size())};
        m_text.append(*strText);
        return true;
    }

    void AssignText(const TextRef& ref, std::optional<std::string>* pText) const
    {
        if (ref.nOffset == UINT32_MAX)
            pText->reset();
        else
            pText->emplace(m_text, ref.nOffset, ref.cb);
    }

    // The recipients of the folder's messages by message id, each message's
    // in position order. For a large folder the recipient table is read in
    // one sequential pass and its rows kept when their message is one of the
    // folder's, which costs a fraction of a lookup per row through the
    // indexes; rows are normally stored in that order already, and sorted
    // when they are not. A small folder's are looked up through the indexes.
    bool LoadRecipients(CDatabase& db)
    {
        CStatement rows(db, m_bLarge ? "SELECT message_id, position, display_name, email_address FROM recipient"
                                     : "SELECT r.message_id, r.position, r.display_name, r.email_address "
                                       "FROM message m JOIN recipient r ON r.message_id = m.id "
                                       "WHERE m.folder_id = ?1 ORDER BY m.id, r.position");
        if (!rows.IsValid())
            return false;
        if (!m_bLarge)
            rows.BindInt(1, m_nFolderId);
        size_t nHint = 0;
        int nCode;
        while ((nCode = StepRow(rows)) == SQLITE_ROW) {
            Recipient recipient;
            recipient.nMessageId = rows.ColumnInt(0);
            recipient.nPosition = rows.ColumnInt(1);
            if (m_bLarge && !HasMessage(recipient.nMessageId, &nHint))
                continue;
            if (!AddText(rows.ColumnTextView(2), &recipient.name) ||
                !AddText(rows.ColumnTextView(3), &recipient.address)) {
                nCode = SQLITE_FULL;
                break;
            }
            m_recipients.push_back(recipient);
        }
        if (nCode != SQLITE_DONE) {
            m_recipients.clear();
            return false;
        }
        auto before = [](const Recipient& a, const Recipient& b) {
            return a.nMessageId != b.nMessageId ? a.nMessageId < b.nMessageId : a.nPosition < b.nPosition;
        };
        if (!std::is_sorted(m_recipients.begin(), m_recipients.end(), before))
            std::stable_sort(m_recipients.begin(), m_recipients.end(), before);
        return true;
    }

    // Whether a message is one of the folder's; *pnHint is where the last
    // one asked for was, so that ids asked for in ascending order cost no
    // search.
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
    std::string m_text;
    bool m_bRecipientsRead = false;
    bool m_bRecipientsOk = false;
    std::vector<Recipient> m_recipients;
    size_t m_nRecipientHint = 0;
};

std::shared_ptr<CFolderSnapshot> CStoreDb::Folder(int64_t nFolderId)
{
    // Another connection's commit changes the data version; this one only
    // reads.
    if (!m_dataVersion.IsValid())
        m_dataVersion.Prepare(Db(), "PRAGMA data_version");
    m_dataVersion.Reset();
    int64_t nVersion = m_dataVersion.Step() == SQLITE_ROW ? m_dataVersion.ColumnInt(0) : -1;
    m_dataVersion.Reset();
    if (nVersion != m_nDataVersion || nVersion < 0) {
        m_folders.clear();
        m_nDataVersion = nVersion;
    }
    if (auto it = m_folders.find(nFolderId); it != m_folders.end())
        return it->second;
    auto pSnapshot = std::make_shared<CFolderSnapshot>();
    pSnapshot->LoadMessages(Db(), nFolderId);
    if (pSnapshot->IsComplete())
        m_folders[nFolderId] = pSnapshot;
    return pSnapshot;
}

template <class TInterface>
class CObject : public TInterface
{
public:
    ULONG AddRef() override { return ++m_cRef; }
    ULONG Release() override
    {
        ULONG cRef = --m_cRef;
        if (cRef == 0)
            delete this;
        return cRef;
    }

private:
    ULONG m_cRef = 1;
};

// A table's columns: a few tags, held inline, since a recipient table is
// made for every message read.
class CColumns
{
public:
    CColumns(std::initializer_list<ULONG> tags) { Assign(tags.begin(), tags.end()); }

    void Assign(const ULONG* pFirst, const ULONG* pLast)
    {
        m_nCount = static_cast<size_t>(pLast - pFirst);
        if (m_nCount <= m_inline.size())
            std::copy(pFirst, pLast, m_inline.begin());
        else
            m_heap.assign(pFirst, pLast);
    }
    const ULONG* begin() const { return m_nCount <= m_inline.size() ? m_inline.data() : m_heap.data(); }
    const ULONG* end() const { return begin() + m_nCount; }

private:
    std::array<ULONG, 8> m_inline {};
    std::vector<ULONG> m_heap;
    size_t m_nCount = 0;
};

// What the tables have in common: the columns and handing out rows.
class CTable : public CObject<IMAPITable>
{
public:
    explicit CTable(std::initializer_list<ULONG> columns)
        : m_columns(columns)
    {
    }

    HRESULT SetColumns(const SPropTagArray* pTags, ULONG) override
    {
        if (!pTags || pTags->cValues == 0)
            return MAPI_E_INVALID_PARAMETER;
        m_columns.Assign(pTags->aulPropTag, pTags->aulPropTag + pTags->cValues);
        return S_OK;
    }

    HRESULT QueryRows(LONG lRowCount, ULONG, SRowSet** ppRows) override
    {
        if (!ppRows || lRowCount <= 0)
            return MAPI_E_INVALID_PARAMETER;
        *ppRows = nullptr;
        // Rows are gathered in one buffer that every table shares: a fetch
        // never runs inside another.
        static std::vector<SRow> s_fetched;
        std::vector<SRow>& fetched = s_fetched;
        fetched.clear();
        HRESULT hr = S_OK;
        CPropBuilder& builder = Builder();
        while (fetched.size() < static_cast<size_t>(lRowCount)) {
            builder.Clear();
            int nFetched = FetchRow(builder);
            if (nFetched == 0)
                break;
            SPropValue* pProps = nFetched > 0 ? builder.Build() : nullptr;
            if (!pProps) {
                hr = nFetched > 0 ? MAPI_E_NOT_ENOUGH_MEMORY : MAPI_E_CALL_FAILED;
                break;
            }
            fetched.push_back({0, builder.Count(), pProps});
        }
        if (FAILED(hr) && fetched.empty())
            return hr;
        size_t cb = offsetof(SRowSet, aRow) + std::max<size_t>(fetched.size(), 1) * sizeof(SRow);
        auto* pSet = static_cast<SRowSet*>(std::malloc(cb));
        if (!pSet) {
            for (SRow& row : fetched)
                MAPIFreeBuffer(row.lpProps);
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        pSet->cRows = static_cast<ULONG>(fetched.size());
        std::copy(fetched.begin(), fetched.end(), pSet->aRow);
        *ppRows = pSet;
        return S_OK;
    }

protected:
    // Adds the columns of the next row to the builder: 1, or 0 at the end of
    // the table, or -1 on a failed read.
    virtual int FetchRow(CPropBuilder& builder) = 0;

    CColumns m_columns;
};

// What every OpenEntry checks first: the store is only read, and an object
// is named by a non-empty entry identifier.
HRESULT CheckOpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, ULONG ulFlags, IUnknown** ppUnk)
{
    if (!ppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *ppUnk = nullptr;
    if (ulFlags & MAPI_MODIFY)
        return MAPI_E_NO_ACCESS;
    if (cbEntryID == 0 || !pEntryID)
        return MAPI_E_INVALID_ENTRYID;
    return S_OK;
}

// A table whose rows come from one query, stepped as rows are asked for.
class CCursorTable : public CTable
{
public:
    using CTable::CTable;

protected:
    // 1 when m_rows stands on the next row, 0 at the end, -1 on a failed read.
    int NextRow()
    {
        if (m_bDone || !m_rows.IsValid())
            return 0;
        int nCode = StepRow(m_rows);
        if (nCode == SQLITE_ROW)
            return 1;
        // A statement stepped again after its end would start over.
        m_bDone = true;
        m_rows.Reset();
        return nCode == SQLITE_DONE ? 0 : -1;
    }

    CStatement m_rows;

private:
    bool m_bDone = false;
};

// What a folder and everything opened from it share: the folder's messages
// as read, and the message row that its contents table handed out last, so
// that opening that message costs no lookup.
struct FolderState {
    std::shared_ptr<CStoreDb> pDb;
    int64_t nStoreId = 0;
    int64_t nFolderId = 0;
    Bytes entryId;
    std::optional<std::string> strName;

    std::shared_ptr<CFolderSnapshot> pSnapshot;
    MessageData lastRow;
    bool bLastRow = false;

    CFolderSnapshot& Snapshot()
    {
        if (!pSnapshot)
            pSnapshot = pDb->Folder(nFolderId);
        return *pSnapshot;
    }

    int ReadRecipients(const MessageData& message, std::vector<RecipientData>* pRows)
    {
        pRows->clear();
        // A message of another folder of the store, or one whose folder's
        // recipients cannot be read together, is looked up on its own.
        if (message.nFolderId == nFolderId && Snapshot().RecipientsOf(pDb->Db(), message.nId, pRows))
            return 0;
        pRows->clear();
        return ReadRecipientsOf(message.nId, pRows);
    }

    int ReadRecipientsOf(int64_t nMessageId, std::vector<RecipientData>* pRows)
    {
        CLookup lookup(pDb->m_recipientsOfMessage);
        lookup->BindInt(1, nMessageId);
        int nCode;
        while ((nCode = lookup.Step()) == SQLITE_ROW)
            pRows->push_back({lookup->ColumnText(0), lookup->ColumnText(1)});
        return nCode == SQLITE_DONE ? 0 : -1;
    }
};

class CRecipientTable : public CTable
{
public:
    explicit CRecipientTable(std::vector<RecipientData> rows)
        : CTable({PR_DISPLAY_NAME, PR_EMAIL_ADDRESS})
        , m_rows(std::move(rows))
    {
    }

    HRESULT GetRowCount(ULONG, ULONG* pulCount) override
    {
        if (!pulCount)
            return MAPI_E_INVALID_PARAMETER;
        *pulCount = static_cast<ULONG>(m_rows.size());
        return S_OK;
    }

protected:
    int FetchRow(CPropBuilder& builder) override
    {
        if (m_nNext >= m_rows.size())
            return 0;
        const RecipientData& row = m_rows[m_nNext++];
        for (ULONG ulTag : m_columns) {
            if (ulTag == PR_DISPLAY_NAME && row.strName)
                builder.AddText(ulTag, row.strName);
            else if (ulTag == PR_EMAIL_ADDRESS && row.strAddress)
                builder.AddText(ulTag, row.strAddress);
        }
        return 1;
    }

private:
    std::vector<RecipientData> m_rows;
    size_t m_nNext = 0;
};

class CMessage : public CObject<IMessage>
{
public:
    CMessage(std::shared_ptr<FolderState> pFolder, MessageData data)
        : m_pFolder(std::move(pFolder))
        , m_data(std::move(data))
    {
    }

    HRESULT GetProps(const SPropTagArray* pTags, ULONG, ULONG* pcValues, SPropValue** ppProps) override
    {
        if (!pTags || !pcValues || !ppProps)
            return MAPI_E_INVALID_PARAMETER;
        if (HRESULT hr = CheckFault(MapiFaultStep::GetProps, m_data.nId); FAILED(hr))
            return hr;
        CPropBuilder& builder = Builder();
        builder.Clear();
        for (ULONG i = 0; i < pTags->cValues; ++i)
            AddMessageProp(builder, pTags->aulPropTag[i], m_data);
        return HandOutProps(builder, pcValues, ppProps);
    }

    HRESULT GetRecipientTable(ULONG, IMAPITable** ppTable) override
    {
        if (!ppTable)
            return MAPI_E_INVALID_PARAMETER;
        *ppTable = nullptr;
        if (HRESULT hr = CheckFault(MapiFaultStep::GetRecipientTable, m_data.nId); FAILED(hr))
            return hr;
        std::vector<RecipientData> rows;
        if (m_pFolder->ReadRecipients(m_data, &rows) != 0)
            return MAPI_E_CALL_FAILED;
        *ppTable = new CRecipientTable(std::move(rows));
        return S_OK;
    }

private:
    std::shared_ptr<FolderState> m_pFolder;
    MessageData m_data;
};

class CContentsTable : public CTable
{
public:
    explicit CContentsTable(std::shared_ptr<FolderState> pFolder)
        : CTable({PR_ENTRYID})
        , m_pFolder(std::move(pFolder))
    {
    }

    HRESULT GetRowCount(ULONG, ULONG* pulCount) override
    {
        if (!pulCount)
            return MAPI_E_INVALID_PARAMETER;
        CLookup lookup(m_pFolder->pDb->m_messageCount);
        lookup->BindInt(1, m_pFolder->nFolderId);
        if (lookup.Step() != SQLITE_ROW)
            return MAPI_E_CALL_FAILED;
        *pulCount = static_cast<ULONG>(lookup->ColumnInt(0));
        return S_OK;
    }

protected:
    int FetchRow(CPropBuilder& builder) override
    {
        if (m_bDone)
            return 0;
        // The folder's messages are read when the first row is asked for, so
        // that a table opened only for its row count reads none of them.
        if (!m_pSnapshot)
            m_pSnapshot = m_pFolder->pSnapshot = m_pFolder->pDb->Folder(m_pFolder->nFolderId);
        if (m_nNext >= m_pSnapshot->Count()) {
            // A folder that could not be read to its end fails there, once.
            m_bDone = true;
            return m_pSnapshot->IsComplete() ? 0 : -1;
        }
        m_pSnapshot->Fill(m_nNext++, &m_pFolder->lastRow);
        m_pFolder->bLastRow = true;
        for (ULONG ulTag : m_columns)
            AddMessageProp(builder, ulTag, m_pFolder->lastRow);
        ++g_counts.nContentsRowsFetched;
        return 1;
    }

private:
    std::shared_ptr<FolderState> m_pFolder;
    std::shared_ptr<CFolderSnapshot> m_pSnapshot;
    size_t m_nNext = 0;
    bool m_bDone = false;
};

class CFolder : public CObject<IMAPIFolder>
{
public:
    explicit CFolder(std::shared_ptr<FolderState> pState)
        : m_pState(std::move(pState))
    {
    }

    HRESULT GetProps(const SPropTagArray* pTags, ULONG, ULONG* pcValues, SPropValue** ppProps) override
    {
        if (!pTags || !pcValues || !ppProps)
            return MAPI_E_INVALID_PARAMETER;
        CPropBuilder& builder = Builder();
        builder.Clear();
        for (ULONG i = 0; i < pTags->cValues; ++i) {
            ULONG ulTag = pTags->aulPropTag[i];
            if (ulTag == PR_ENTRYID)
                builder.AddBinary(ulTag, m_pState->entryId);
            else if (ulTag == PR_DISPLAY_NAME)
                builder.AddText(ulTag, m_pState->strName);
            else
                builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        }
        return HandOutProps(builder, pcValues, ppProps);
    }

    HRESULT GetContentsTable(ULONG, IMAPITable** ppTable) override
    {
        if (!ppTable)
            return MAPI_E_INVALID_PARAMETER;
        *ppTable = nullptr;
        auto* pTable = new CContentsTable(m_pState);
        ++g_counts.nContentsTablesOpened;
        *ppTable = pTable;
        return S_OK;
    }

    HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, const void*, ULONG ulFlags, ULONG* pulObjType,
                      IUnknown** ppUnk) override
    {
        if (HRESULT hr = CheckOpenEntry(cbEntryID, pEntryID, ulFlags, ppUnk); FAILED(hr))
            return hr;
        MessageData data;
        FolderState& state = *m_pState;
        const CEntryBytes& last = state.lastRow.entryId;
        if (state.bLastRow && SameBytes(last.Data(), last.Size(), cbEntryID, pEntryID)) {
            data = std::move(state.lastRow);
            state.bLastRow = false;
        } else {
            CLookup lookup(state.pDb->m_messageByEntry);
            lookup->BindBlob(1, pEntryID, static_cast<int>(cbEntryID));
            lookup->BindInt(2, state.nStoreId);
            int nCode = lookup.Step();
            if (nCode != SQLITE_ROW)
                return nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
            data.Read(*lookup);
        }
        if (HRESULT hr = CheckFault(MapiFaultStep::OpenMessage, data.nId); FAILED(hr))
            return hr;
        ++g_counts.nMessagesOpened;
        if (pulObjType)
            *pulObjType = MAPI_MESSAGE;
        *ppUnk = new CMessage(m_pState, std::move(data));
        return S_OK;
    }

private:
    std::shared_ptr<FolderState> m_pState;
};

class CMsgStore : public CObject<IMsgStore>
{
public:
    CMsgStore(std::shared_ptr<CStoreDb> pDb, int64_t nStoreId, Bytes entryId, std::optional<std::string> strName)
        : m_pDb(std::move(pDb))
        , m_nStoreId(nStoreId)
        , m_entryId(std::move(entryId))
        , m_strName(std::move(strName))
    {
    }

    HRESULT GetProps(const SPropTagArray* pTags, ULONG, ULONG* pcValues, SPropValue** ppProps) override
    {
        if (!pTags || !pcValues || !ppProps)
            return MAPI_E_INVALID_PARAMETER;
        CPropBuilder& builder = Builder();
        builder.Clear();
        for (ULONG i = 0; i < pTags->cValues; ++i) {
            ULONG ulTag = pTags->aulPropTag[i];
            if (ulTag == PR_ENTRYID)
                builder.AddBinary(ulTag, m_entryId);
            else if (ulTag == PR_DISPLAY_NAME)
                builder.AddText(ulTag, m_strName);
            else if (ulTag == PR_CE_IPM_INBOX_ENTRYID)
                AddFolderEntry(builder, ulTag, "inbox");
            else if (ulTag == PR_IPM_SENTMAIL_ENTRYID)
                AddFolderEntry(builder, ulTag, "sent");
            else
                builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        }
        return HandOutProps(builder, pcValues, ppProps);
    }

    HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, const void*, ULONG ulFlags, ULONG* pulObjType,
                      IUnknown** ppUnk) override
    {
        if (HRESULT hr = CheckOpenEntry(cbEntryID, pEntryID, ulFlags, ppUnk); FAILED(hr))
            return hr;
        auto pState = std::make_shared<FolderState>();
        {
            CLookup lookup(m_pDb->m_folderByEntry);
            lookup->BindBlob(1, pEntryID, static_cast<int>(cbEntryID));
            lookup->BindInt(2, m_nStoreId);
            int nCode = lookup.Step();
            if (nCode != SQLITE_ROW)
                return nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
            pState->nFolderId = lookup->ColumnInt(0);
            pState->strName = lookup->ColumnText(1);
        }
        pState->pDb = m_pDb;
        pState->nStoreId = m_nStoreId;
        pState->entryId.assign(reinterpret_cast<const BYTE*>(pEntryID),
                               reinterpret_cast<const BYTE*>(pEntryID) + cbEntryID);
        ++g_counts.nFoldersOpened;
        if (pulObjType)
            *pulObjType = MAPI_FOLDER;
        *ppUnk = new CFolder(std::move(pState));
        return S_OK;
    }

private:
    void AddFolderEntry(CPropBuilder& builder, ULONG ulTag, const char* pszRole)
    {
        CLookup lookup(m_pDb->m_folderOfRole);
        lookup->BindInt(1, m_nStoreId);
        lookup->BindText(2, std::string_view(pszRole));
        int nCode = lookup.Step();
        if (nCode == SQLITE_ROW)
            builder.AddBinary(ulTag, lookup->ColumnBlob(0));
        else
            builder.AddError(ulTag, nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED);
    }

    std::shared_ptr<CStoreDb> m_pDb;
    int64_t m_nStoreId;
    Bytes m_entryId;
    std::optional<std::string> m_strName;
};

class CStoresTable : public CCursorTable
{
public:
    explicit CStoresTable(std::shared_ptr<CStoreDb> pDb)
        : CCursorTable({PR_ENTRYID, PR_DISPLAY_NAME})
        , m_pDb(std::move(pDb))
    {
        if (m_pDb)
            m_rows.Prepare(m_pDb->Db(), "SELECT id, display_name, entry_id FROM msgstore ORDER BY id");
    }

    HRESULT GetRowCount(ULONG, ULONG* pulCount) override
    {
        if (!pulCount)
            return MAPI_E_INVALID_PARAMETER;
        *pulCount = 0;
        if (!m_pDb)
            return S_OK;
        CLookup lookup(m_pDb->m_storeCount);
        if (lookup.Step() != SQLITE_ROW)
            return MAPI_E_CALL_FAILED;
        *pulCount = static_cast<ULONG>(lookup->ColumnInt(0));
        return S_OK;
    }

protected:
    int FetchRow(CPropBuilder& builder) override
    {
        if (int nNext = NextRow(); nNext != 1)
            return nNext;
        for (ULONG ulTag : m_columns) {
            if (ulTag == PR_ENTRYID)
                builder.AddBinary(ulTag, m_rows.ColumnBlob(2));
            else if (ulTag == PR_DISPLAY_NAME)
                builder.AddText(ulTag, m_rows.ColumnText(1));
            else
                builder.AddError(ulTag, MAPI_E_NOT_FOUND);
        }
        return 1;
    }

private:
    std::shared_ptr<CStoreDb> m_pDb;
};

class CSession : public CObject<IMAPISession>
{
public:
    explicit CSession(std::shared_ptr<CStoreDb> pDb)
        : m_pDb(std::move(pDb))
    {
    }

    HRESULT GetMsgStoresTable(ULONG, IMAPITable** ppTable) override
    {
        if (!ppTable)
            return MAPI_E_INVALID_PARAMETER;
        *ppTable = new CStoresTable(m_pDb);
        return S_OK;
    }

    HRESULT OpenEntry(ULONG cbEntryID, const ENTRYID* pEntryID, const void*, ULONG ulFlags, ULONG* pulObjType,
                      IUnknown** ppUnk) override
    {
        if (HRESULT hr = CheckOpenEntry(cbEntryID, pEntryID, ulFlags, ppUnk); FAILED(hr))
            return hr;
        if (!m_pDb)
            return MAPI_E_NOT_FOUND;
        CLookup lookup(m_pDb->m_storeByEntry);
        lookup->BindBlob(1, pEntryID, static_cast<int>(cbEntryID));
        int nCode = lookup.Step();
        if (nCode != SQLITE_ROW)
            return nCode == SQLITE_DONE ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
        Bytes entryId(reinterpret_cast<const BYTE*>(pEntryID), reinterpret_cast<const BYTE*>(pEntryID) + cbEntryID);
        if (pulObjType)
            *pulObjType = MAPI_STORE;
        *ppUnk = new CMsgStore(m_pDb, lookup->ColumnInt(0), std::move(entryId), lookup->ColumnText(1));
        return S_OK;
    }

    HRESULT Logoff(ULONG_PTR, ULONG, ULONG) override { return S_OK; }

private:
    std::shared_ptr<CStoreDb> m_pDb;
};

} // namespace

HRESULT MAPIInitialize(void*)
{
    ++g_nInitialized;
    return S_OK;
}

void MAPIUninitialize()
{
    if (g_nInitialized > 0)
        --g_nInitialized;
}

HRESULT MAPILogonEx(ULONG_PTR, LPWSTR, LPWSTR, ULONG, IMAPISession** lppSession)
{
    if (!lppSession)
        return MAPI_E_INVALID_PARAMETER;
    *lppSession = nullptr;
    if (g_nInitialized == 0)
        return MAPI_E_NOT_INITIALIZED;
    *lppSession = new CSession(Source().Current());
    return S_OK;
}

ULONG MAPIFreeBuffer(void* lpBuffer)
{
    std::free(lpBuffer);
    return 0;
}

void FreeProws(SRowSet* lpRows)
{
    if (!lpRows)
        return;
    for (ULONG i = 0; i < lpRows->cRows; ++i)
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}

MapiReadCounts MapiStoreReadCounts()
{
    return g_counts;
}

void SetMapiFault(MapiFault fault)
{
    g_fault = std::move(fault);
}
