#pragma once

#include "device/DeviceRecords.h"
#include "import/BackupWriter.h"
#include "import/ios/IosRecords.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// How the rows of an iPhone's databases become rows of the device store:
// plain functions of the rows, reading and writing nothing else.

// FILETIME ticks of seconds since 2001-01-01 UTC; nullopt when not a number
// or outside 1990 to 2100.
std::optional<int64_t> AppleSecondsToTicks(double dSeconds);
// A message's date: nanoseconds since 2001 (iOS 11 and later) or seconds
// (before), told apart by size: no date in seconds comes near 10^11, and no
// date in nanoseconds after 2001-01-01 00:01:40 lies below it.
std::optional<int64_t> MessageDateToTicks(const IosMessageDate& date);

// What carried a call: "phone", "facetime-video", "facetime-audio", or the
// provider of another app's calls.
std::string CallService(std::optional<int64_t> nCallType, const std::optional<std::string>& strProvider);

// The name for a number or address that a record lacks, or nullopt.
using NameLookup = std::function<std::optional<std::string>(std::string_view)>;

struct IosCall {
    DeviceCall call;
    BackupCallKey key;
};
// Outgoing when originated, else incoming when answered, else missed;
// nullopt when it has no usable date. The name is the record's own, else
// the one that names gives.
std::optional<IosCall> CallFromIos(IosCallRow row, const NameLookup& names = {});

// The message store of a service: "SMS" for SMS (and for messages without a
// service), else the service's own name when it is a plain word, else
// "Other".
std::string StoreForService(const std::optional<std::string>& strService);

enum class IosMessageFate {
    Kept,
    Undated,    // no usable date: left out
    Reaction,   // a reaction to or an edit of another message: left out
    GroupEvent, // a chat event that no one wrote: left out
};

struct IosMessage {
    IosMessageFate fate = IosMessageFate::Kept;
    std::string strStore; // the store of the message's service
    BackupMessage message;
};
// A received message goes to the Inbox, named by its sender; a sent one to
// Sent Items, with one recipient per other member of its chat (else its
// handle); one that failed or was never sent to the Outbox. The text is the
// text column, else the one read from attributedBody, else empty.
IosMessage MessageFromIos(IosMessageRow row, const NameLookup& names = {});
