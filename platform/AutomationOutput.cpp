#include "AutomationOutput.h"

#include "WideText.h"

#include <cstdio>
#include <cstdlib>
#include <string>

bool IsAutomationActive()
{
    const char* pszScript = std::getenv("RINGTALLY_AUTOMATION");
    return pszScript && *pszScript;
}

void AutomationPrint(std::initializer_list<std::wstring_view> fields)
{
    std::string strLine;
    bool bFirst = true;
    for (std::wstring_view field : fields) {
        if (!bFirst)
            strLine += '\t';
        bFirst = false;
        // A field never breaks the line format: TABs and line ends become blanks.
        std::string strField = Utf8FromWide(field);
        for (char& c : strField) {
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
        }
        strLine += strField;
    }
    strLine += '\n';
    std::fwrite(strLine.data(), 1, strLine.size(), stdout);
    std::fflush(stdout);
}
