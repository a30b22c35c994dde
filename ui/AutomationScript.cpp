#include "ui/AutomationScript.h"

#include "platform/WideText.h"

#include <algorithm>
#include <cstdint>

namespace {

bool SplitWords(const std::wstring& strLine, std::vector<std::wstring>* pWords, std::wstring* pError)
{
    size_t i = 0;
    while (true) {
        while (i < strLine.size() && (strLine[i] == L' ' || strLine[i] == L'\t'))
            ++i;
        if (i >= strLine.size())
            return true;
        if (strLine[i] == L'"') {
            size_t nClose = strLine.find(L'"', i + 1);
            if (nClose == std::wstring::npos) {
                *pError = L"a quoted word has no closing quote";
                return false;
            }
            pWords->push_back(strLine.substr(i + 1, nClose - i - 1));
            i = nClose + 1;
        } else {
            size_t nEnd = strLine.find_first_of(L" \t", i);
            if (nEnd == std::wstring::npos)
                nEnd = strLine.size();
            pWords->push_back(strLine.substr(i, nEnd - i));
            i = nEnd;
        }
    }
}

bool ParseNumber(const std::wstring& strWord, int* pValue, std::wstring* pError)
{
    if (strWord.empty() || strWord.size() > 9 ||
        !std::all_of(strWord.begin(), strWord.end(), [](wchar_t ch) { return ch >= L'0' && ch <= L'9'; })) {
        *pError = L"\"" + strWord + L"\" is not a number";
        return false;
    }
    *pValue = std::stoi(strWord);
    return true;
}

// The step's one id in args[nArg], into numbers; false with the error set.
bool ParseId(ScriptStep* pStep, size_t nArg)
{
    int nId = 0;
    if (!ParseNumber(pStep->args[nArg], &nId, &pStep->strError))
        return false;
    pStep->numbers.push_back(nId);
    return true;
}

void ParseDate(ScriptStep* pStep)
{
    const std::wstring& strDate = pStep->args[1];
    bool bShape = strDate.size() == 10 && strDate[4] == L'-' && strDate[7] == L'-';
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        bShape = bShape && strDate[i] >= L'0' && strDate[i] <= L'9';
    if (!bShape) {
        pStep->strError = NotAPickerDate(strDate);
        pStep->bErrorAfterTarget = true;
        return;
    }
    pStep->nYear = std::stoi(strDate.substr(0, 4));
    pStep->nMonth = std::stoi(strDate.substr(5, 2));
    pStep->nDay = std::stoi(strDate.substr(8, 2));
}

struct VerbRule {
    const wchar_t* pszVerb;
    ScriptVerb verb;
    // How many words may follow the verb, and what another number reports.
    size_t nMinArgs;
    size_t nMaxArgs;
    const wchar_t* pszCountError;
};

constexpr size_t kAnyNumber = SIZE_MAX;

const VerbRule kVerbs[] = {
    {L"expect", ScriptVerb::Expect, 1, 1, L"expect takes one dialog template id"},
    {L"select", ScriptVerb::Select, 0, kAnyNumber, nullptr},
    {L"command", ScriptVerb::Command, 1, 1, L"command takes one command id"},
    {L"menu", ScriptVerb::Menu, 1, 3, L"menu takes a soft key and at most an item and a subitem"},
    {L"ok", ScriptVerb::Ok, 0, 0, L"ok takes nothing"},
    {L"cancel", ScriptVerb::Cancel, 0, 0, L"cancel takes nothing"},
    {L"date", ScriptVerb::Date, 2, 2, L"date takes a control id and a date YYYY-MM-DD"},
    {L"dump", ScriptVerb::Dump, 0, 0, L"dump takes nothing"},
    {L"screenshot", ScriptVerb::Screenshot, 1, 1, L"screenshot takes one file name"},
    {L"choose", ScriptVerb::Choose, 0, kAnyNumber, nullptr},
};

ScriptStep ParseStep(int nLine, std::wstring strLine)
{
    ScriptStep step;
    step.nLine = nLine;
    step.strText = std::move(strLine);
    std::vector<std::wstring> words;
    if (!SplitWords(step.strText, &words, &step.strError))
        return step;
    const std::wstring& strVerb = words.front();
    step.args.assign(words.begin() + 1, words.end());
    const VerbRule* pRule = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                         [&](const VerbRule& rule) { return strVerb == rule.pszVerb; });
    if (pRule == std::end(kVerbs)) {
        step.strError = L"unknown step \"" + strVerb + L"\"";
        return step;
    }
    step.verb = pRule->verb;
    if (step.args.size() < pRule->nMinArgs || step.args.size() > pRule->nMaxArgs) {
        step.strError = pRule->pszCountError;
        return step;
    }
    switch (step.verb) {
    case ScriptVerb::Expect:
    case ScriptVerb::Command:
        ParseId(&step, 0);
        break;
    case ScriptVerb::Select:
        for (size_t i = 0; i < step.args.size(); ++i) {
            if (!ParseId(&step, i)) {
                step.bErrorAfterTarget = true;
                break;
            }
        }
        break;
    case ScriptVerb::Date:
        if (ParseId(&step, 0))
            ParseDate(&step);
        break;
    default:
        break;
    }
    return step;
}

} // namespace

std::vector<ScriptStep> CScriptReader::Read(std::string_view strText)
{
    std::vector<ScriptStep> steps;
    std::wstring strWide = WideFromUtf8(strText);
    size_t nStart = 0;
    while (nStart < strWide.size()) {
        size_t nEnd = strWide.find(L'\n', nStart);
        if (nEnd == std::wstring::npos)
            nEnd = strWide.size();
        std::wstring strLine = strWide.substr(nStart, nEnd - nStart);
        if (!strLine.empty() && strLine.back() == L'\r')
            strLine.pop_back();
        ++m_nLastLine;
        size_t nFirst = strLine.find_first_not_of(L" \t");
        if (nFirst != std::wstring::npos && strLine[nFirst] != L'#')
            steps.push_back(ParseStep(m_nLastLine, std::move(strLine)));
        nStart = nEnd + 1;
    }
    return steps;
}

std::wstring NotAPickerDate(const std::wstring& strDate)
{
    return L"\"" + strDate + L"\" is not a date YYYY-MM-DD the picker can hold";
}
