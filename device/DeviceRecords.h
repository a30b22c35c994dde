#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The rows that writers give the device store. An absent optional is NULL in
// the store.

// One call record to write.
struct DeviceCall {
    int64_t startTime = 0; // FILETIME ticks, UTC
    int64_t endTime = 0;   // FILETIME ticks, UTC
    int iom = 0;           // 0 missed, 1 incoming, 2 outgoing, other values allowed
    int flags = 0;
    int cidt = 0;
    std::optional<std::string> number;
    std::optional<std::string> name;
    std::optional<std::string> nameType;
    std::optional<std::string> note;
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
