#include "AutomationOutput.h"

#include "WideText.h"

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

void PrintLine(const std::wstring_view* pFields, size_t nFields)
{
    std::string strLine;
    for (size_t i = 0; i < nFields; ++i) {
        if (i > 0)
            strLine += '\t';
        // A field never breaks the line format: TABs and line ends become blanks.
        std::string strField = Utf8FromWide(pFields[i]);
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
    PrintLine(fields.begin(), fields.size());
}

void AutomationPrint(const std::vector<std::wstring>& fields)
{
    std::vector<std::wstring_view> views(fields.begin(), fields.end());
    PrintLine(views.data(), views.size());
}

void SetAutomationSink(AutomationSink sink)
{
    Sink() = std::move(sink);
}
