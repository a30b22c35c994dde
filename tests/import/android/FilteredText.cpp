#include "tests/import/android/FilteredText.h"

#include "import/android/ReferenceFilter.h"

#include <algorithm>

FilteredText FilterText(std::string_view strIn, size_t nPiece)
{
    CReferenceFilter filter;
    FilteredText result;
    if (nPiece == 0)
        nPiece = strIn.size() + 1;
    for (size_t i = 0; i < strIn.size(); i += nPiece)
        filter.Feed(strIn.data() + i, std::min(nPiece, strIn.size() - i), &result.strOut);
    filter.Finish(&result.strOut);
    result.nLone = filter.LoneHalves();
    result.nControls = filter.DroppedControls();
    result.nInvalid = filter.InvalidReferences();
    result.nStripped = filter.StrippedValues();
    result.nStrippedBytes = filter.StrippedBytes();
    const CReferenceFilter::Oversize& oversize = filter.OversizeRecords();
    result.nOversizeCalls = oversize.nCalls;
    result.nOversizeSms = oversize.nSms;
    result.nOversizeMms = oversize.nMms;
    result.nOversizeOthers = oversize.nOthers;
    result.nLine = filter.InputLine();
    result.nColumn = filter.InputColumn();
    result.nDocTypeLine = filter.DocTypeLine();
    return result;
}
