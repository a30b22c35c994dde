#include "PhoneCallLog.h"

#include "DeviceStore.h"
#include "WideText.h"

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr HRESULT kOk = 0;
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005); // E_FAIL

// The process-wide view of the device's call log: one read-only connection
// and the record ids in log order. The order is rebuilt only when the store
// changes, so a seek is an index into it and a read fetches one row by id.
class CCallLogSource
{
public:
    // The first open handle brings the view up to date and holds one read
    // transaction until the last handle closes: a walk reads one state of
    // the store and does not take the file's lock again for every row.
    // Between operations the store is free for writers.
    void Acquire()
    {
        if (m_nOpen++ > 0)
            return;
        Refresh();
        if (m_store.Database().IsOpen())
            m_bReading = m_store.Database().Exec("BEGIN") == SQLITE_OK;
    }

    void Release()
    {
        if (m_nOpen == 0 || --m_nOpen > 0 || !m_bReading)
            return;
        m_store.Database().Exec("COMMIT");
        m_bReading = false;
    }

    size_t Count() const { return m_ids.size(); }

    bool Read(size_t nPosition, CALLLOGENTRY* pEntry)
    {
        if (nPosition >= m_ids.size() || !m_select.IsValid())
            return false;
        m_select.Reset();
        m_select.BindInt(1, m_ids[nPosition]);
        if (m_select.Step() != SQLITE_ROW) {
            m_select.Reset();
            return false;
        }
        ++m_nRowsRead;
        pEntry->ftStartTime = TicksToFileTime(static_cast<uint64_t>(m_select.ColumnInt(0)));
        pEntry->ftEndTime = TicksToFileTime(static_cast<uint64_t>(m_select.ColumnInt(1)));
        pEntry->iom = static_cast<IOM>(m_select.ColumnInt(2));
        auto flags = m_select.ColumnInt(3);
        pEntry->fOutgoing = (flags & 1) != 0;
        pEntry->fConnected = (flags & 2) != 0;
        pEntry->fEnded = (flags & 4) != 0;
        pEntry->fRoam = (flags & 8) != 0;
        pEntry->cidt = static_cast<CALLERIDTYPE>(m_select.ColumnInt(4));
        pEntry->pszNumber = Text(5);
        pEntry->pszName = Text(6);
        pEntry->pszNameType = Text(7);
        pEntry->pszNote = Text(8);
        // A statement left on its row would hold the store's read lock after
        // the log is closed, locking writers out.
        m_select.Reset();
        return true;
    }

    uint64_t RowsRead() const { return m_nRowsRead; }

private:
    // Brings the view up to date with the store named by the environment.
    void Refresh()
    {
        std::string strPath = DefaultDevicePath();
        struct stat st {};
        bool bExists = ::stat(strPath.c_str(), &st) == 0;
        FileStamp stamp {bExists, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
        if (strPath != m_strPath || !(stamp == m_stamp)) {
            m_strPath = strPath;
            m_stamp = stamp;
            Reopen();
            return;
        }
        if (!m_store.Database().IsOpen())
            return;
        auto version = m_store.Database().QueryInt("PRAGMA data_version");
        if (!version || *version != m_nDataVersion)
            Reopen();
    }

    struct FileStamp {
        bool bExists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        time_t mtime = 0;
        long mtimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

    void Reopen()
    {
        m_select = CStatement();
        m_ids.clear();
        m_store.Close();
        if (!m_stamp.bExists || m_store.OpenReadOnly(m_strPath) != DeviceStatus::Ok) {
            m_store.Close();
            return;
        }
        m_nDataVersion = m_store.Database().QueryInt("PRAGMA data_version").value_or(0);
        CStatement order(m_store.Database(), "SELECT id FROM calllog ORDER BY start_time DESC, id DESC");
        while (order.IsValid() && order.Step() == SQLITE_ROW) {
            m_ids.push_back(order.ColumnInt(0));
            ++m_nRowsRead;
        }
        m_select.Prepare(m_store.Database(), "SELECT start_time, end_time, iom, flags, cidt, number, name, "
                                             "name_type, note FROM calllog WHERE id = ?1");
    }

    LPWSTR Text(int nColumn)
    {
        auto strText = m_select.ColumnText(nColumn);
        if (!strText)
            return nullptr;
        return LocalAllocText(WideFromUtf8(*strText).c_str());
    }

    std::string m_strPath;
    FileStamp m_stamp;
    CDeviceStore m_store;
    CStatement m_select;
    std::vector<int64_t> m_ids;
    int64_t m_nDataVersion = 0;
    uint64_t m_nRowsRead = 0;
    int m_nOpen = 0;
    bool m_bReading = false;
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
        return kFail;
    std::lock_guard<std::mutex> lock(g_mutex);
    Source().Acquire();
    *ph = new CallLogHandle;
    return kOk;
}

HRESULT PhoneSeekCallLog(HANDLE hdb, DWORD dwSeek, DWORD iRecord, DWORD* piRecord)
{
    auto* pHandle = static_cast<CallLogHandle*>(hdb);
    if (!pHandle)
        return kFail;
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t nCount = Source().Count();
    size_t nPosition;
    if (dwSeek == CALLLOGSEEK_BEGINNING) {
        if (iRecord > nCount)
            return kFail;
        nPosition = iRecord;
    } else if (dwSeek == CALLLOGSEEK_END) {
        if (static_cast<size_t>(iRecord) + 1 > nCount)
            return kFail;
        nPosition = nCount - 1 - iRecord;
    } else {
        return kFail;
    }
    pHandle->nPosition = nPosition;
    if (piRecord)
        *piRecord = static_cast<DWORD>(nPosition);
    return kOk;
}

HRESULT PhoneGetCallLogEntry(HANDLE hdb, CALLLOGENTRY* pentry)
{
    auto* pHandle = static_cast<CallLogHandle*>(hdb);
    if (!pHandle || !pentry)
        return kFail;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!Source().Read(pHandle->nPosition, pentry))
        return kFail;
    ++pHandle->nPosition;
    return kOk;
}

HRESULT PhoneCloseCallLog(HANDLE hdb)
{
    if (!hdb)
        return kFail;
    std::lock_guard<std::mutex> lock(g_mutex);
    delete static_cast<CallLogHandle*>(hdb);
    Source().Release();
    return kOk;
}

uint64_t PhoneCallLogRowsRead()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Source().RowsRead();
}
