#pragma once

#include <functional>

// Runs beside() on a thread of its own while here() runs on this one, and
// returns when both are done: a screen reads the call log beside the message
// store, which is used from the user-interface thread only. When no thread
// can be started, both run here, beside() first.
void RunBeside(const std::function<void()>& beside, const std::function<void()>& here);
