#include "platform/Process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Words = std::vector<std::wstring>;

TEST(SplitCommandLine, FollowsThePlatformsQuotingAndBackslashRules)
{
    struct Case {
        const wchar_t* pszLine;
        Words words;
    };
    const Case cases[] = {
        // The two command lines the program passes.
        {L"-service \"Sms\"", {L"-service", L"Sms"}},
        {L"mailto:5551234", {L"mailto:5551234"}},
        {L"mailto:", {L"mailto:"}},
        // Blanks separate; runs of blanks and tabs count as one.
        {L"", {}},
        {L"  \t ", {}},
        {L"  a \t b  ", {L"a", L"b"}},
        {L"mailto:+49 30 123", {L"mailto:+49", L"30", L"123"}},
        // Quotes group and are dropped, also in the middle of a word.
        {L"\"a b\" c", {L"a b", L"c"}},
        {L"mail\"to: x\"y", {L"mailto: xy"}},
        {L"\"\"", {L""}},
        {L"a \"\" b", {L"a", L"", L"b"}},
        {L"\"unterminated quote", {L"unterminated quote"}},
        // Two quotes inside a quoted part stand for one.
        {L"\"say \"\"hi\"\"\"", {L"say \"hi\""}},
        // Backslashes are literal unless a quote follows them.
        {L"\\windows\\tmail.exe", {L"\\windows\\tmail.exe"}},
        {L"a\\\\b", {L"a\\\\b"}},
        {L"a\\\"b", {L"a\"b"}},
        {L"a\\\\\"b c\"", {L"a\\b c"}},
        {L"a\\\\\\\"b", {L"a\\\"b"}},
        {L"\"a\\\\\" b", {L"a\\", L"b"}},
        {L"trailing\\", {L"trailing\\"}},
        // Nothing else is special.
        {L"$(id) 'x y' ;|&", {L"$(id)", L"'x", L"y'", L";|&"}},
        {L"\u00fcber \U0001F600", {L"\u00fcber", L"\U0001F600"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommandLine(c.pszLine), c.words) << "command line: " << testing::PrintToString(std::wstring(c.pszLine));
}

TEST(QuoteCommandLineWord, GivesEveryWordBackWhole)
{
    struct Case {
        const wchar_t* pszWord;
        const wchar_t* pszQuoted;
    };
    const Case cases[] = {
        {L"Anna", L"\"Anna\""},
        {L"", L"\"\""},
        {L"Anna Schmidt", L"\"Anna Schmidt\""},
        {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        {L"back\\slash", L"\"back\\slash\""},
        {L"ends\\", L"\"ends\\\\\""},
        {L"a\\\"b", L"\"a\\\\\\\"b\""},
        {L"\\\\server", L"\"\\\\server\""},
        {L"\t tab  and blanks \u00fc \U0001F600", L"\"\t tab  and blanks \u00fc \U0001F600\""},
        {L"$(id) 'x' ;|&", L"\"$(id) 'x' ;|&\""},
    };
    for (const Case& c : cases) {
        std::wstring strQuoted = QuoteCommandLineWord(c.pszWord);
        EXPECT_EQ(strQuoted, c.pszQuoted) << testing::PrintToString(std::wstring(c.pszWord));
        EXPECT_EQ(SplitCommandLine(strQuoted), Words {c.pszWord}) << testing::PrintToString(strQuoted);
        // Beside other words, as the messaging application gets it.
        EXPECT_EQ(SplitCommandLine(L"-contact " + strQuoted + L" mailto:1"),
                  (Words {L"-contact", c.pszWord, L"mailto:1"}));
    }
}

} // namespace
