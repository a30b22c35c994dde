#include "figures/Beside.h"

#include "platform/ThreadPriority.h"

#include <system_error>
#include <thread>

void RunBeside(const std::function<void()>& beside, const std::function<void()>& here)
{
    std::thread thread;
    try {
        thread = std::thread([&beside] {
            YieldToForeground();
            beside();
        });
    } catch (const std::system_error&) {
        beside();
    }
    here();
    if (thread.joinable())
        thread.join();
}
