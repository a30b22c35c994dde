#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The rows that writers give the device store. An absent optional is NULL in
// the store.

// One call record to write.
struct DeviceCall {
    int64_t nStartTime = 0; // FILETIME ticks, UTC
    int64_t nEndTime = 0;   // FILETIME ticks, UTC
    int nIom = 0;           // 0 missed, 1 incoming, 2 outgoing, other values allowed
    int nFlags = 0;
    int nCidt = 0;
    std::optional<std::string> strNumber;
    std::optional<std::string> strName;
    std::optional<std::string> strNameType;
    std::optional<std::string> strNote;
};

struct DeviceRecipient {
    std::optional<std::string> strDisplayName;
    std::optional<std::string> strEmailAddress;
};

// One message to write into an existing folder.
struct DeviceMessage {
    int64_t nFolderId = 0;
    std::optional<std::string> strSenderName;
    std::optional<std::string> strSubject;
    std::optional<int64_t> nDeliveryTime; // FILETIME ticks, UTC
    std::optional<std::string> strBody;
    std::vector<DeviceRecipient> recipients; // in position order
};
