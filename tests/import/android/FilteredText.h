#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the reference filter makes of a text: the output and everything the
// filter tells about it, to compare whole.
struct FilteredText {
    std::string strOut;
    int64_t nLone = 0, nControls = 0, nInvalid = 0, nStripped = 0, nStrippedBytes = 0;
    int64_t nOversizeCalls = 0, nOversizeSms = 0, nOversizeMms = 0, nOversizeOthers = 0;
    int64_t nLine = 0, nColumn = 0, nDocTypeLine = 0;
    bool operator==(const FilteredText&) const = default;
};

// Feeds the text in pieces of nPiece bytes (all at once for 0), then ends it.
FilteredText FilterText(std::string_view strIn, size_t nPiece = 0);
