// One folder pass of the SMS figures over a device of n messages, half in
// the Inbox and half in Sent Items with one recipient each, after the folder
// has been read once.

#include "device/DeviceStore.h"
#include "platform/MapiFolderSnapshot.h"
#include "platform/MapiStoreDb.h"
#include "sms/SmsStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

// A device store made once per size, in a temporary folder that goes with
// the process.
class CBenchDevice
{
public:
    explicit CBenchDevice(int nMessages)
    {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "ringtally-bench-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()))
            m_strDir = strTemplate;
        m_strPath = m_strDir + "/device.db";
        CDeviceStore store;
        if (store.Create(m_strPath) != DeviceStatus::Ok)
            return;
        int64_t nInbox = store.FindFolder("SMS", "inbox"), nSent = store.FindFolder("SMS", "sent");
        int64_t nBase = kUnixEpochTicks + 1704067200LL * kTicksPerSecond; // 2024-01-01
        std::vector<DeviceMessage> messages;
        messages.reserve(static_cast<size_t>(nMessages));
        for (int i = 0; i < nMessages; ++i) {
            std::string strNumber = "+4917012" + std::to_string(i % 500);
            int64_t nTime = nBase + static_cast<int64_t>(i) * 60 * kTicksPerSecond;
            if (i % 2 == 0)
                messages.push_back({nInbox, strNumber, std::nullopt, nTime, std::string("See you at eight"), {}});
            else
                messages.push_back({nSent, std::nullopt, std::nullopt, nTime, std::string("On my way"),
                                    {{std::string("Friend ") + std::to_string(i % 500), strNumber}}});
        }
        m_bOk = store.AddMessages(messages) == 0;
    }
    ~CBenchDevice()
    {
        std::error_code ec;
        if (!m_strDir.empty())
            std::filesystem::remove_all(m_strDir, ec);
    }
    bool IsOk() const { return m_bOk; }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strDir;
    std::string m_strPath;
    bool m_bOk = false;
};

const CBenchDevice& Device(int nMessages)
{
    static std::map<int, std::unique_ptr<CBenchDevice>> s_devices;
    auto& pDevice = s_devices[nMessages];
    if (!pDevice)
        pDevice = std::make_unique<CBenchDevice>(nMessages);
    return *pDevice;
}

void CountOneFolder(benchmark::State& state, ULONG ulTag)
{
    int nMessages = static_cast<int>(state.range(0));
    const CBenchDevice& device = Device(nMessages);
    if (!device.IsOk()) {
        state.SkipWithError("cannot make the device store");
        return;
    }
    ::setenv("RINGTALLY_DEVICE", device.Path().c_str(), 1);
    CSmsStore store;
    store.Open();
    int nCount = 0;
    // The message store keeps a folder once read: the first pass reads it,
    // and every pass timed is a walk of the folder as the store holds it.
    // What the first reading costs shows in bench/screens.sh.
    store.CountCallerSms(ulTag, L"+491701212", &nCount);
    for (auto _ : state) {
        store.CountCallerSms(ulTag, L"+491701212", &nCount);
        benchmark::DoNotOptimize(nCount);
    }
    state.SetItemsProcessed(state.iterations() * nMessages / 2);
    state.counters["matches"] = nCount;
}

void BM_CountCallerSmsInbox(benchmark::State& state)
{
    CountOneFolder(state, PR_CE_IPM_INBOX_ENTRYID);
}

void BM_CountCallerSmsSent(benchmark::State& state)
{
    CountOneFolder(state, PR_IPM_SENTMAIL_ENTRYID);
}

// The first reading of a folder as a screen makes it: its messages in one
// pass, then the recipients of its messages in one more.
void ReadFolder(benchmark::State& state, const char* pszRole, bool bRecipients)
{
    int nMessages = static_cast<int>(state.range(0));
    const CBenchDevice& device = Device(nMessages);
    CStoreDb db;
    if (!device.IsOk() || !db.Open(device.Path())) {
        state.SkipWithError("cannot open the device store");
        return;
    }
    std::string strSql = std::string("SELECT id FROM folder WHERE role = '") + pszRole + "'";
    auto nFolder = db.Db().QueryInt(strSql.c_str());
    for (auto _ : state) {
        CFolderSnapshot snapshot;
        snapshot.LoadMessages(db.Db(), nFolder.value_or(0));
        std::vector<RecipientData> rows;
        if (bRecipients && snapshot.Count() > 0) {
            MessageData first;
            snapshot.Fill(0, &first);
            snapshot.RecipientsOf(db, first.nId, &rows);
        }
        benchmark::DoNotOptimize(rows.size());
    }
    state.SetItemsProcessed(state.iterations() * nMessages / 2);
}

void BM_ReadInbox(benchmark::State& state)
{
    ReadFolder(state, "inbox", false);
}

void BM_ReadSentWithRecipients(benchmark::State& state)
{
    ReadFolder(state, "sent", true);
}

} // namespace

BENCHMARK(BM_CountCallerSmsInbox)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountCallerSmsSent)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadInbox)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSentWithRecipients)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
