#include "platform/PhoneCallLog.h"

#include "device/DeviceStore.h"
#include "platform/DeviceCheck.h"
#include "platform/DeviceProblems.h"
#include "platform/DeviceWatch.h"
#include "platform/PlatformResult.h"
#include "platform/StoreRead.h"
#include "platform/TextPool.h"
#include "platform/WideText.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr uint32_t kNoText = CTextPool::kNone;
// The most records made room for at once.
constexpr int64_t kMaxReserved = int64_t {1} << 24;

// The process-wide view of the device's call log: one read-only connection
// and every record in log order, read with one pass over the table whenever
// the store has changed. Reading position after position, as the main list
// does with one open and close per row, is then a copy out of memory: one
// sequential scan costs a fraction of a lookup per record.
class CCallLogSource
{
public:
    // The first open handle brings the view up to date; while any handle is
    // open the view stays as it is, so a walk reads one state of the store.
    void Acquire()
    {
        if (m_nOpen++ > 0)
            return;
        Refresh();
    }

    void Release()
    {
        if (m_nOpen > 0)
            --m_nOpen;
    }

    size_t Count() const { return m_rows.size(); }

    bool Read(size_t nPosition, CALLLOGENTRY* pEntry)
    {
        if (nPosition >= m_rows.size())
            return false;
        const Row& row = m_rows[nPosition];
        ++m_nRowsRead;
        pEntry->ftStartTime = TicksToFileTime(static_cast<uint64_t>(row.nStart));
        pEntry->ftEndTime = TicksToFileTime(static_cast<uint64_t>(row.nEnd));
        pEntry->iom = static_cast<IOM>(row.nIom);
        pEntry->fOutgoing = (row.nFlags & 1) != 0;
        pEntry->fConnected = (row.nFlags & 2) != 0;
        pEntry->fEnded = (row.nFlags & 4) != 0;
        pEntry->fRoam = (row.nFlags & 8) != 0;
        pEntry->cidt = static_cast<CALLERIDTYPE>(row.nCidt);
        pEntry->pszNumber = LocalAllocText(m_texts.Wide(row.nNumber));
        pEntry->pszName = LocalAllocText(m_texts.Wide(row.nName));
        if (pEntry->cbSize >= sizeof(CALLLOGENTRY))
            ReadNotes(row.nId, pEntry);
        return true;
    }

    uint64_t RowsRead() const { return m_nRowsRead; }
    uint64_t RowsFetched() const { return m_nRowsFetched; }

private:
    struct Row {
        int64_t nId = 0;
        int64_t nStart = 0;
        int64_t nEnd = 0;
        uint32_t nNumber = kNoText;
        uint32_t nName = kNoText;
        int32_t nIom = 0;
        int32_t nFlags = 0;
        int32_t nCidt = 0;
    };

    // Brings the view up to date with the store named by the environment;
    // the watch says when it has changed. Reading anew costs a pass over the
    // log either way, so a change of any kind opens the store anew.
    void Refresh()
    {
        if (m_watch.Check() != DeviceChange::None)
            Reopen();
    }

    // Kept out of line: compiled into the open, which runs once per record
    // shown, it made every open dearer.
    [[gnu::noinline]] void Reopen()
    {
        m_watch.Track(nullptr);
        // What the old state held is let go before the new one is read.
        std::vector<Row>().swap(m_rows);
        m_texts.Clear();
        m_notes = CStatement();
        m_store.Close();
        if (!OpenStore())
            return;
        RunStorePass(
            m_store, [this](CDatabase& db) { return Load(db); },
            [this] {
                m_watch.Track(nullptr);
                return OpenStore();
            });
    }

    bool OpenStore()
    {
        DeviceStatus status = m_store.OpenReadOnly(m_watch.Path(), StoreCheck::Schema);
        if (status != DeviceStatus::Ok) {
            ReportOpenProblem(status, m_watch.Path(), m_store.ErrorText());
            m_store.Close();
            return false;
        }
        m_watch.Track(&m_store.Database());
        StartDeviceCheck(m_watch.Path());
        return true;
    }

    // Reads every record in table order, the cheapest order to read, which
    // is ascending id, and puts them into log order: the newest first, ties
    // by the higher id. Reversed, the ids descend, and a stable sort by start
    // keeps that order among equal starts; records are mostly stored oldest
    // first, so the sort usually finds nothing to do. A failed read keeps
    // what came before it, and returns SQLite's code for the caller to judge.
    // Only the columns that a record's display needs are read here: a note
    // may be of any size, and is read for the callers that ask for it.
    int Load(CDatabase& db)
    {
        m_rows.clear();
        m_texts.Clear();
        CStatement all(db, "SELECT id, start_time, end_time, iom, flags, cidt, number, name FROM calllog ORDER BY id");
        // Room for every record, known from the ends of the id range without
        // counting: memory reserved and never written is not taken. Ids far
        // apart are left to the vector's own growth. Each end on its own is
        // one step down the table's tree; asked together, they cost a scan.
        if (auto nSpan = db.QueryInt("SELECT (SELECT max(id) FROM calllog) - (SELECT min(id) FROM calllog) + 1");
            nSpan && *nSpan > 0 && *nSpan <= kMaxReserved)
            m_rows.reserve(static_cast<size_t>(*nSpan));
        int nCode = all.IsValid() ? SQLITE_ROW : db.LastCode();
        while (all.IsValid() && (nCode = all.Step()) == SQLITE_ROW) {
            Row row;
            row.nId = all.ColumnInt(0);
            row.nStart = all.ColumnInt(1);
            row.nEnd = all.ColumnInt(2);
            row.nIom = static_cast<int32_t>(all.ColumnInt(3));
            row.nFlags = static_cast<int32_t>(all.ColumnInt(4));
            row.nCidt = static_cast<int32_t>(all.ColumnInt(5));
            row.nNumber = m_texts.Add(all.ColumnTextView(6));
            row.nName = m_texts.Add(all.ColumnTextView(7));
            m_rows.push_back(row);
            ++m_nRowsFetched;
            ++m_nRowsRead;
        }
        std::reverse(m_rows.begin(), m_rows.end());
        auto newer = [](const Row& a, const Row& b) { return a.nStart > b.nStart; };
        if (!std::is_sorted(m_rows.begin(), m_rows.end(), newer))
            std::stable_sort(m_rows.begin(), m_rows.end(), newer);
        return nCode;
    }

    // The name type and the note of one record, looked up by its id.
    void ReadNotes(int64_t nId, CALLLOGENTRY* pEntry)
    {
        if (!m_notes.IsValid() && m_store.Database().IsOpen())
            m_notes.Prepare(m_store.Database(), "SELECT name_type, note FROM calllog WHERE id = ?1");
        if (!m_notes.IsValid())
            return;
        m_notes.Reset();
        m_notes.BindInt(1, nId);
        auto text = [](const std::optional<std::string_view>& strUtf8) -> LPWSTR {
            return strUtf8 ? LocalAllocText(WideFromUtf8(*strUtf8).c_str()) : nullptr;
        };
        if (m_notes.Step() == SQLITE_ROW) {
            pEntry->pszNameType = text(m_notes.ColumnTextView(0));
            pEntry->pszNote = text(m_notes.ColumnTextView(1));
        }
        m_notes.Reset();
    }

    CDeviceStore m_store;
    CStatement m_notes;
    // After the store, so that it lets go of the connection first.
    CDeviceWatch m_watch;
    std::vector<Row> m_rows;
    CTextPool m_texts;
    uint64_t m_nRowsRead = 0;
    uint64_t m_nRowsFetched = 0;
    int m_nOpen = 0;
};

std::mutex g_mutex;
CCallLogSource& Source()
{
    static CCallLogSource s_source;
    return s_source;
}

struct CallLogHandle {
    size_t nPosition = 0;
};

} // namespace

HRESULT PhoneOpenCallLog(HANDLE* ph)
{
    if (!ph)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    Source().Acquire();
    *ph = new CallLogHandle;
    return S_OK;
}

HRESULT PhoneSeekCallLog(HANDLE hdb, DWORD dwSeek, DWORD iRecord, DWORD* piRecord)
{
    auto* pHandle = static_cast<CallLogHandle*>(hdb);
    if (!pHandle)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t nCount = Source().Count();
    size_t nPosition;
    if (dwSeek == CALLLOGSEEK_BEGINNING) {
        if (iRecord > nCount)
            return E_FAIL;
        nPosition = iRecord;
    } else if (dwSeek == CALLLOGSEEK_END) {
        if (static_cast<size_t>(iRecord) + 1 > nCount)
            return E_FAIL;
        nPosition = nCount - 1 - iRecord;
    } else {
        return E_FAIL;
    }
    pHandle->nPosition = nPosition;
    if (piRecord)
        *piRecord = static_cast<DWORD>(nPosition);
    return S_OK;
}

HRESULT PhoneGetCallLogEntry(HANDLE hdb, CALLLOGENTRY* pentry)
{
    auto* pHandle = static_cast<CallLogHandle*>(hdb);
    if (!pHandle || !pentry)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Source().Read(pHandle->nPosition, pentry))
        return E_FAIL;
    ++pHandle->nPosition;
    return S_OK;
}

HRESULT PhoneCloseCallLog(HANDLE hdb)
{
    if (!hdb)
        return E_FAIL;
    std::lock_guard<std::mutex> lock(g_mutex);
    delete static_cast<CallLogHandle*>(hdb);
    Source().Release();
    return S_OK;
}

uint64_t PhoneCallLogRowsRead()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Source().RowsRead();
}

uint64_t PhoneCallLogRowsFetched()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Source().RowsFetched();
}
