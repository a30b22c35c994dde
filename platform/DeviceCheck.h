#pragma once

// A check of the whole device store beside the program's own reads. The
// screens read only what they show, so damage elsewhere, or damage that still
// reads as records, would go unseen; SQLite's quick check reads every page,
// which takes about half a second for a million calls and as many messages,
// and runs on a thread of its own while the screens read. A damaged store is
// reported as a device problem, to be told once.

#include <string>

// Starts checking the store at strPath unless this state of the file has
// been checked, or is being checked, already.
void StartDeviceCheck(const std::string& strPath);

// Waits for a check that is running, so that what it finds has been
// reported. Showing a screen waits for it, so that what a screen shows and
// what is said of the store come together, the same at every run.
void WaitForDeviceCheck();
