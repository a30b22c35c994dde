#pragma once

#include <initializer_list>
#include <string_view>

// Scripted runs (RINGTALLY_AUTOMATION names a script) report what the
// program does as lines on standard output: UTF-8, fields separated by one
// TAB, one line per event, flushed at once. Under automation nothing is
// really dialled or started.
bool IsAutomationActive();
// Writes one event line made of the given fields.
void AutomationPrint(std::initializer_list<std::wstring_view> fields);
