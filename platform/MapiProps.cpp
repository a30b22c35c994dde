#include "platform/MapiProps.h"

#include "platform/WideText.h"

#include <algorithm>
#include <cstdlib>

void CPropBuilder::AddText(ULONG ulTag, const std::optional<std::string>& strUtf8)
{
    if (!strUtf8) {
        AddError(ulTag, MAPI_E_NOT_FOUND);
        return;
    }
    size_t nOffset = m_strText.size();
    AppendWideFromUtf8(*strUtf8, &m_strText);
    m_strText.push_back(L'\0');
    Push({ulTag, Kind::Text, 0, nOffset, 0, 0});
}

bool AddNameProp(CPropBuilder& builder, ULONG ulTag, const std::vector<BYTE>& entryId,
                 const std::optional<std::string>& strName)
{
    if (ulTag == PR_ENTRYID)
        builder.AddBinary(ulTag, entryId);
    else if (ulTag == PR_DISPLAY_NAME)
        builder.AddText(ulTag, strName);
    else
        return false;
    return true;
}

ULONG MAPIFreeBuffer(void* lpBuffer)
{
    std::free(lpBuffer);
    return 0;
}

void FreeProws(SRowSet* lpRows)
{
    if (!lpRows)
        return;
    for (ULONG i = 0; i < lpRows->cRows; ++i)
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}
