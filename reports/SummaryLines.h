#pragma once

#include <cstdint>
#include <string>

// The figure lines that the caller summary and the totals show alike.
std::wstring IncomingCallLine(int64_t nSeconds); // "1 hours 2 mins 3 secs in call"
std::wstring OutgoingCallLine(int64_t nSeconds); // "2 mins 0 secs out call"
std::wstring MissedCallLine(int nMissed);        // "3 missed call"
std::wstring ReceivedSmsLine(int nReceived);     // "4 in sms"
std::wstring SentSmsLine(int nSent);             // "5 out sms"
