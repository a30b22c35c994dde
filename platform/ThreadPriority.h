#pragma once

// Work that a thread does beside the one the user waits on (reading ahead,
// a second pass of a report) gives way to that thread when both want the
// same processor: the waiting thread's work is what the user sees.
void YieldToForeground();
