#include "platform/DeviceCheck.h"

#include "device/DeviceStore.h"
#include "device/FileStamp.h"
#include "platform/DeviceProblems.h"

#include <sqlite3.h>

#include <mutex>
#include <thread>
#include <utility>

namespace {

class CDeviceCheck
{
public:
    ~CDeviceCheck()
    {
        // A program that ends does not wait for a verdict nobody will see.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStopping = true;
            if (m_pDb)
                sqlite3_interrupt(m_pDb);
        }
        Join();
    }

    void Start(const std::string& strPath)
    {
        FileStamp stamp = FileStamp::Of(strPath);
        if (!stamp.bExists || (strPath == m_strPath && stamp == m_stamp))
            return;
        // A check of an older state would only keep the new one waiting.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_pDb)
                sqlite3_interrupt(m_pDb);
        }
        Join();
        m_strPath = strPath;
        m_stamp = stamp;
        m_thread = std::thread([this, strPath] { Run(strPath); });
    }

    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void Run(const std::string& strPath)
    {
        CDeviceStore store;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStopping)
                return;
        }
        // The open itself runs the check; the handle is published so that
        // the end of the program can interrupt it.
        DeviceStatus status = store.OpenReadOnly(strPath, StoreCheck::Schema);
        if (status != DeviceStatus::Ok)
            return; // the screens' own open says what is wrong
        // A reading connection maps nothing of the file: the check reads
        // every page, and through a map each would count towards the
        // program's memory.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStopping)
                return;
            m_pDb = store.Database().Handle();
        }
        CStatement quick(store.Database(), "PRAGMA quick_check(1)");
        int nStep = quick.IsValid() ? quick.Step() : store.Database().LastCode();
        std::string strVerdict = nStep == SQLITE_ROW ? quick.ColumnText(0).value_or("") : store.Database().LastError();
        bool bInterrupted = (nStep & 0xff) == SQLITE_INTERRUPT;
        quick = CStatement();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pDb = nullptr;
        }
        // A verdict on a file that a writer changed meanwhile, read without
        // locks, says nothing of either state; the new state gets its own.
        if (bInterrupted || strVerdict == "ok" || !store.ReadsAsOpened())
            return;
        ReportDamagedStore(strPath, strVerdict);
    }

    std::thread m_thread;
    std::string m_strPath;
    FileStamp m_stamp;
    std::mutex m_mutex;
    sqlite3* m_pDb = nullptr;
    bool m_bStopping = false;
};

CDeviceCheck& Check()
{
    static CDeviceCheck s_check;
    return s_check;
}

std::mutex g_mutex;

} // namespace

void StartDeviceCheck(const std::string& strPath)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Check().Start(strPath);
}

void WaitForDeviceCheck()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Check().Join();
}
