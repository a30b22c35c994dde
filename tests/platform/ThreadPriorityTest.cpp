#include "platform/ThreadPriority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <thread>

namespace {

int NiceOfThisThread()
{
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

// The thread that gives way runs at a lower priority; the thread that the
// user waits on, and so the rest of the process, stays as it was.
TEST(ThreadPriority, OnlyTheThreadThatGivesWayRunsLower)
{
    int nBefore = NiceOfThisThread();
    if (nBefore >= 19)
        GTEST_SKIP() << "the process already runs at the lowest priority";
    int nBeside = nBefore;
    std::thread beside([&nBeside] {
        YieldToForeground();
        nBeside = NiceOfThisThread();
    });
    beside.join();
    EXPECT_GT(nBeside, nBefore);
    EXPECT_EQ(NiceOfThisThread(), nBefore);
}

} // namespace
