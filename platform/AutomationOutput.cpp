#include "platform/AutomationOutput.h"

#include "platform/WideText.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

AutomationSink& Sink()
{
    static AutomationSink s_sink;
    return s_sink;
}

} // namespace

bool IsAutomationActive()
{
    if (Sink())
        return true;
    const char* pszScript = std::getenv("RINGTALLY_AUTOMATION");
    return pszScript && *pszScript;
}

namespace {

template <typename Fields> void PrintLine(const Fields& fields)
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
    if (Sink()) {
        Sink()(strLine);
        return;
    }
    strLine += '\n';
    std::fwrite(strLine.data(), 1, strLine.size(), stdout);
    std::fflush(stdout);
}

} // namespace

void AutomationPrint(std::initializer_list<std::wstring_view> fields)
{
    PrintLine(fields);
}

void AutomationPrint(const std::vector<std::wstring>& fields)
{
    PrintLine(fields);
}

void SetAutomationSink(AutomationSink sink)
{
    Sink() = std::move(sink);
}
