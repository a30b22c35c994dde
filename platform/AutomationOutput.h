#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Scripted runs (RINGTALLY_AUTOMATION names a script) report what the
// program does as lines on standard output: UTF-8, fields separated by one
// TAB, one line per event, flushed at once. Under automation nothing is
// really dialled or started.
bool IsAutomationActive();
// Writes one event line made of the given fields.
void AutomationPrint(std::initializer_list<std::wstring_view> fields);
// The same for a line whose number of fields is known only at run time.
void AutomationPrint(const std::vector<std::wstring>& fields);

// Test seam for runs inside a test process: while a sink is set, automation
// counts as active and each line goes to the sink (UTF-8, without its
// newline) instead of standard output. An empty function removes it.
using AutomationSink = std::function<void(const std::string& strLine)>;
void SetAutomationSink(AutomationSink sink);
