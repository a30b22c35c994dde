#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Told after each piece of a file read: the bytes read so far, and the
// file's size (0 when unknown).
using ImportProgress = std::function<void(uint64_t nDone, uint64_t nTotal)>;

struct ImportOptions {
    // Imports the complete records of a truncated file instead of refusing it.
    bool bSalvage = false;
    ImportProgress pfnProgress;
    // Asked for the password of an encrypted backup; nullopt: none given.
    std::function<std::optional<std::string>()> pfnPassword;
    // Told what a long step without progress is doing.
    std::function<void(const std::string&)> pfnNotice;
};
