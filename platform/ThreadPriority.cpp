#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

void YieldToForeground()
{
    // On Linux a thread has a niceness of its own, set through its thread
    // id. It goes up from the process's own, so that a program started at
    // a low priority keeps its order. Failing leaves the thread as it was,
    // which is only slower.
    constexpr int kBackgroundNice = 10;
    constexpr int kMostNice = 19;
    auto nThread = static_cast<id_t>(gettid());
    errno = 0;
    int nNice = getpriority(PRIO_PROCESS, nThread);
    if (errno != 0)
        return;
    (void)setpriority(PRIO_PROCESS, nThread, std::min(nNice + kBackgroundNice, kMostNice));
}
