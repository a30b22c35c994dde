// Feeds bytes through the reference filter whole and in pieces of a size
// that the first byte chooses, and checks that the pieces change nothing and
// that what comes out keeps its promises: never longer than what went in, the
// same lines, and no control bytes but tab, line feed and carriage return.

#include "import/android/ReferenceFilter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Filtered {
    std::string strOut;
    int64_t nLone = 0, nControls = 0, nInvalid = 0, nStripped = 0, nStrippedBytes = 0, nOversize = 0;
    int64_t nLine = 0, nColumn = 0, nDocTypeLine = 0;
    bool operator==(const Filtered&) const = default;
};

Filtered Filter(const char* pData, size_t cbData, size_t nPiece)
{
    CReferenceFilter filter;
    Filtered result;
    for (size_t i = 0; i < cbData; i += nPiece)
        filter.Feed(pData + i, std::min(nPiece, cbData - i), &result.strOut);
    filter.Finish(&result.strOut);
    result.nLone = filter.LoneHalves();
    result.nControls = filter.DroppedControls();
    result.nInvalid = filter.InvalidReferences();
    result.nStripped = filter.StrippedValues();
    result.nStrippedBytes = filter.StrippedBytes();
    result.nOversize = filter.OversizeRecords().Total();
    result.nLine = filter.InputLine();
    result.nColumn = filter.InputColumn();
    result.nDocTypeLine = filter.DocTypeLine();
    return result;
}

void Require(bool bHolds, const char* pszWhat)
{
    if (bHolds)
        return;
    std::fprintf(stderr, "reference filter fuzzer: %s\n", pszWhat);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    if (cbData == 0)
        return 0;
    size_t nPiece = pData[0] % 16 + 1;
    const auto* pText = reinterpret_cast<const char*>(pData + 1);
    size_t cbText = cbData - 1;

    Filtered whole = Filter(pText, cbText, cbText + 1);
    Require(Filter(pText, cbText, nPiece) == whole, "feeding in pieces changes the output");
    Require(whole.strOut.size() <= cbText, "the output is longer than the input");
    Require(std::count(whole.strOut.begin(), whole.strOut.end(), '\n') == std::count(pText, pText + cbText, '\n'),
            "the output has other lines than the input");
    Require(std::none_of(whole.strOut.begin(), whole.strOut.end(),
                         [](char ch) { return ch >= 0 && ch < 0x20 && ch != '\t' && ch != '\n' && ch != '\r'; }),
            "a control byte went through");
    return 0;
}
