// Feeds bytes through the reference filter whole and in pieces of a size
// that the first byte chooses, and checks that the pieces change nothing and
// that what comes out keeps its promises: never longer than what went in, the
// same lines, and no control bytes but tab, line feed and carriage return.

#include "tests/import/android/FilteredText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

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
    std::string_view strText(reinterpret_cast<const char*>(pData + 1), cbData - 1);
    FilteredText whole = FilterText(strText);
    Require(FilterText(strText, nPiece) == whole, "feeding in pieces changes the output");
    Require(whole.strOut.size() <= strText.size(), "the output is longer than the input");
    Require(std::count(whole.strOut.begin(), whole.strOut.end(), '\n') == std::count(strText.begin(), strText.end(), '\n'),
            "the output has other lines than the input");
    Require(std::none_of(whole.strOut.begin(), whole.strOut.end(),
                         [](char ch) { return ch >= 0 && ch < 0x20 && ch != '\t' && ch != '\n' && ch != '\r'; }),
            "a control byte went through");
    return 0;
}
