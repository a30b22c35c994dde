#include "figures/Beside.h"

#include <system_error>
#include <thread>

void RunBeside(const std::function<void()>& beside, const std::function<void()>& here)
{
    std::thread thread;
    try {
        // At the priority of this one: the user waits for both, and a
        // thread that gave way would wait for everything else the machine
        // runs.
        thread = std::thread(beside);
    } catch (const std::system_error&) {
        beside();
    }
    here();
    if (thread.joinable())
        thread.join();
}
