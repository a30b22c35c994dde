// One pass of the call figures, and a walk by position as the main list
// makes it, over logs of 100,000 and 1,000,000 calls.

#include "calllog/CallFigures.h"
#include "device/DeviceStore.h"
#include "platform/PhoneCallLog.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A device store of nCalls calls among 500 callers, made once per size and
// removed at exit.
class CBenchDevice
{
public:
    ~CBenchDevice()
    {
        std::error_code ec;
        if (!m_strDir.empty())
            std::filesystem::remove_all(m_strDir, ec);
    }

    bool Use(int64_t nCalls)
    {
        if (m_strDir.empty()) {
            std::string strTemplate = (std::filesystem::temp_directory_path() / "ringtally-bench-XXXXXX").string();
            if (!mkdtemp(strTemplate.data()))
                return false;
            m_strDir = strTemplate;
        }
        std::string strPath = m_strDir + "/calls-" + std::to_string(nCalls) + ".db";
        if (!m_made[nCalls] && !Make(strPath, nCalls))
            return false;
        m_made[nCalls] = true;
        ::setenv("RINGTALLY_DEVICE", strPath.c_str(), 1);
        return true;
    }

private:
    static bool Make(const std::string& strPath, int64_t nCalls)
    {
        CDeviceStore store;
        if (store.Create(strPath) != DeviceStatus::Ok)
            return false;
        const int64_t nStart = 13000000000LL * kTicksPerSecond;
        std::vector<DeviceCall> calls;
        calls.reserve(100000);
        uint32_t nSeed = 1;
        for (int64_t i = 0; i < nCalls; ++i) {
            nSeed = nSeed * 1103515245u + 12345u;
            DeviceCall call;
            call.nStartTime = nStart + i * 900 * kTicksPerSecond;
            call.nEndTime = call.nStartTime + static_cast<int64_t>(nSeed % 1800) * kTicksPerSecond;
            call.nIom = static_cast<int>((nSeed >> 12) % 3);
            call.strNumber = "+49301234" + std::to_string((nSeed >> 16) % 500);
            if ((nSeed >> 20) % 2)
                call.strName = "Caller " + std::to_string((nSeed >> 16) % 500);
            calls.push_back(std::move(call));
            if (calls.size() == 100000 || i + 1 == nCalls) {
                if (store.AddCalls(calls) != 0)
                    return false;
                calls.clear();
            }
        }
        return true;
    }

    std::string m_strDir;
    std::map<int64_t, bool> m_made;
};

CBenchDevice g_device;

template <typename Compute>
void RunFigures(benchmark::State& state, Compute compute)
{
    if (!g_device.Use(state.range(0))) {
        state.SkipWithError("cannot make the device store");
        return;
    }
    CCallLog callLog;
    CALLLOGENTRY entry;
    // The first open reads the log's order; that is not part of a figure.
    callLog.GetEntry(0, &entry);
    callLog.FreeEntry(&entry);
    uint64_t nRowsBefore = PhoneCallLogRowsRead();
    CallFigures figures;
    for (auto _ : state) {
        compute(callLog, &figures);
        benchmark::DoNotOptimize(figures);
    }
    state.counters["rows/pass"] = benchmark::Counter(static_cast<double>(PhoneCallLogRowsRead() - nRowsBefore) /
                                                     static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TotalCallFigures(benchmark::State& state)
{
    RunFigures(state, [](CCallLog& callLog, CallFigures* pFigures) { GetTotalCallFigures(callLog, pFigures); });
}

void BM_TotalCallFiguresInRange(benchmark::State& state)
{
    const TimeRange range {TicksToFileTime(13100000000ULL * 10000000ULL),
                           TicksToFileTime(13300000000ULL * 10000000ULL)};
    RunFigures(state, [&](CCallLog& callLog, CallFigures* pFigures) {
        GetTotalCallFiguresInRange(callLog, range, pFigures);
    });
}

void BM_CallerCallFigures(benchmark::State& state)
{
    RunFigures(state, [](CCallLog& callLog, CallFigures* pFigures) {
        FILETIME last;
        GetCallerCallFigures(callLog, L"Caller 17", pFigures, &last);
    });
}

// The main list's pattern: one open, seek, read and close per position.
void BM_EntryByPosition(benchmark::State& state)
{
    RunFigures(state, [](CCallLog& callLog, CallFigures* pFigures) {
        CALLLOGENTRY entry;
        int nIndex = 0;
        while (callLog.GetEntry(nIndex, &entry) == 0) {
            pFigures->nMissed += entry.iom == IOM_MISSED;
            callLog.FreeEntry(&entry);
            ++nIndex;
        }
    });
}

} // namespace

BENCHMARK(BM_EntryByPosition)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalCallFigures)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalCallFiguresInRange)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CallerCallFigures)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
