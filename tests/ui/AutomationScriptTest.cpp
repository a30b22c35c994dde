#include "ui/AutomationScript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<ScriptStep> ReadAll(std::string_view strText)
{
    CScriptReader reader;
    return reader.Read(strText);
}

} // namespace

TEST(AutomationScript, EachLineIsReadIntoAStepOrWhyItCannotBeDone)
{
    struct Case {
        const char* pszLine;
        ScriptVerb verb;
        std::vector<std::wstring> args;
        std::vector<int> numbers;
        std::wstring strError;
        bool bErrorAfterTarget = false;
    };
    const Case cases[] = {
        {"expect 129", ScriptVerb::Expect, {L"129"}, {129}, L""},
        {"expect 000000129", ScriptVerb::Expect, {L"000000129"}, {129}, L""},
        {"expect", ScriptVerb::Expect, {}, {}, L"expect takes one dialog template id"},
        {"expect 1 2", ScriptVerb::Expect, {L"1", L"2"}, {}, L"expect takes one dialog template id"},
        {"expect -1", ScriptVerb::Expect, {L"-1"}, {}, L"\"-1\" is not a number"},
        {"expect 1234567890", ScriptVerb::Expect, {L"1234567890"}, {}, L"\"1234567890\" is not a number"},
        {"expect \"\"", ScriptVerb::Expect, {L""}, {}, L"\"\" is not a number"},
        {"select", ScriptVerb::Select, {}, {}, L""},
        {"select 2 0", ScriptVerb::Select, {L"2", L"0"}, {2, 0}, L""},
        {"select 1 x 3", ScriptVerb::Select, {L"1", L"x", L"3"}, {1}, L"\"x\" is not a number", true},
        {"command 32814", ScriptVerb::Command, {L"32814"}, {32814}, L""},
        {"command", ScriptVerb::Command, {}, {}, L"command takes one command id"},
        {"command +5", ScriptVerb::Command, {L"+5"}, {}, L"\"+5\" is not a number"},
        {"menu Analyse \"Call Log\"", ScriptVerb::Menu, {L"Analyse", L"Call Log"}, {}, L""},
        {"menu Menu Summary \"By Time\"", ScriptVerb::Menu, {L"Menu", L"Summary", L"By Time"}, {}, L""},
        {"menu", ScriptVerb::Menu, {}, {}, L"menu takes a soft key and at most an item and a subitem"},
        {"menu a b c d", ScriptVerb::Menu, {L"a", L"b", L"c", L"d"}, {},
         L"menu takes a soft key and at most an item and a subitem"},
        {"menu \"Analyse", ScriptVerb::Unknown, {}, {}, L"a quoted word has no closing quote"},
        {"ok", ScriptVerb::Ok, {}, {}, L""},
        {"cancel", ScriptVerb::Cancel, {}, {}, L""},
        {"ok now", ScriptVerb::Ok, {L"now"}, {}, L"ok takes nothing"},
        {"cancel now", ScriptVerb::Cancel, {L"now"}, {}, L"cancel takes nothing"},
        {"date 1013 2024-02-29", ScriptVerb::Date, {L"1013", L"2024-02-29"}, {1013}, L""},
        {"date 1013", ScriptVerb::Date, {L"1013"}, {}, L"date takes a control id and a date YYYY-MM-DD"},
        {"date x 24-01-01", ScriptVerb::Date, {L"x", L"24-01-01"}, {}, L"\"x\" is not a number"},
        {"date 1010 24-01-01", ScriptVerb::Date, {L"1010", L"24-01-01"}, {1010},
         L"\"24-01-01\" is not a date YYYY-MM-DD the picker can hold", true},
        {"date 1010 2024-1-01", ScriptVerb::Date, {L"1010", L"2024-1-01"}, {1010},
         L"\"2024-1-01\" is not a date YYYY-MM-DD the picker can hold", true},
        {"date 1010 2024/01/01", ScriptVerb::Date, {L"1010", L"2024/01/01"}, {1010},
         L"\"2024/01/01\" is not a date YYYY-MM-DD the picker can hold", true},
        // Only the picker knows which dates it can hold.
        {"date 1010 2024-13-01", ScriptVerb::Date, {L"1010", L"2024-13-01"}, {1010}, L""},
        {"dump", ScriptVerb::Dump, {}, {}, L""},
        {"dump all", ScriptVerb::Dump, {L"all"}, {}, L"dump takes nothing"},
        {"dump # a comment only at the start of a line", ScriptVerb::Dump,
         {L"#", L"a", L"comment", L"only", L"at", L"the", L"start", L"of", L"a", L"line"}, {}, L"dump takes nothing"},
        {"screenshot \"main window.png\"", ScriptVerb::Screenshot, {L"main window.png"}, {}, L""},
        {"screenshot", ScriptVerb::Screenshot, {}, {}, L"screenshot takes one file name"},
        {"choose", ScriptVerb::Choose, {}, {}, L""},
        {"choose /a.xml \"/b c.xml\"", ScriptVerb::Choose, {L"/a.xml", L"/b c.xml"}, {}, L""},
        {"wave at the user", ScriptVerb::Unknown, {L"at", L"the", L"user"}, {}, L"unknown step \"wave\""},
        {"Expect 102", ScriptVerb::Unknown, {L"102"}, {}, L"unknown step \"Expect\""},
        {"\"\"", ScriptVerb::Unknown, {}, {}, L"unknown step \"\""},
        {"\"#\" 1", ScriptVerb::Unknown, {L"1"}, {}, L"unknown step \"#\""},
        // Blanks are spaces and TABs; a quote inside a word is part of it,
        // and a quoted word ends at its closing quote.
        {" \tselect\t1  2 ", ScriptVerb::Select, {L"1", L"2"}, {1, 2}, L""},
        {"menu a\"b c\"", ScriptVerb::Menu, {L"a\"b", L"c\""}, {}, L""},
        {"menu \"a b\"c \"\"", ScriptVerb::Menu, {L"a b", L"c", L""}, {}, L""},
        {"menu caf\xc3\xa9 \xff", ScriptVerb::Menu, {L"caf\u00e9", L"\ufffd"}, {}, L""},
    };
    for (const Case& c : cases) {
        std::vector<ScriptStep> steps = ReadAll(c.pszLine);
        ASSERT_EQ(steps.size(), 1u) << c.pszLine;
        const ScriptStep& step = steps[0];
        EXPECT_EQ(step.nLine, 1) << c.pszLine;
        EXPECT_EQ(step.verb, c.verb) << c.pszLine;
        EXPECT_EQ(step.args, c.args) << c.pszLine;
        EXPECT_EQ(step.numbers, c.numbers) << c.pszLine;
        EXPECT_EQ(step.strError, c.strError) << c.pszLine;
        EXPECT_EQ(step.bErrorAfterTarget, c.bErrorAfterTarget) << c.pszLine;
    }
}

TEST(AutomationScript, DatesAreReadIntoTheirParts)
{
    std::vector<ScriptStep> steps = ReadAll("date 1013 2024-02-29\ndate 1010 0999-12-31\n");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].nYear, 2024);
    EXPECT_EQ(steps[0].nMonth, 2);
    EXPECT_EQ(steps[0].nDay, 29);
    EXPECT_EQ(steps[1].nYear, 999);
    EXPECT_EQ(steps[1].nMonth, 12);
    EXPECT_EQ(steps[1].nDay, 31);
}

TEST(AutomationScript, BlankLinesAndCommentsAreSkippedButCounted)
{
    std::vector<ScriptStep> steps = ReadAll("\n# choose from the left soft key\n   \n  menu Analyse \"Call Log\"\r\n"
                                            "\t# indented comment\n\r\n#\nok\r\n  dump");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].nLine, 4);
    EXPECT_EQ(steps[0].strText, L"  menu Analyse \"Call Log\"") << "the text as written, without its CR";
    EXPECT_EQ(steps[1].nLine, 8);
    EXPECT_EQ(steps[1].verb, ScriptVerb::Ok);
    EXPECT_EQ(steps[2].nLine, 9) << "the last line needs no line end";
    EXPECT_EQ(steps[2].strText, L"  dump");

    EXPECT_TRUE(ReadAll("").empty());
    EXPECT_TRUE(ReadAll("\n\n# only comments\n \t \n").empty());
    EXPECT_EQ(ReadAll("ok\rcancel\n")[0].strError, L"unknown step \"ok\rcancel\"") << "a CR alone ends no line";
}

TEST(AutomationScript, PartsAndStepsInCodeAreNumberedOn)
{
    CScriptReader reader;
    EXPECT_EQ(reader.Read("ok\n\n").at(0).nLine, 1);
    EXPECT_EQ(reader.TakeLine(), 3);
    std::vector<ScriptStep> steps = reader.Read("# second part\ndump\n");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].nLine, 5);
    EXPECT_TRUE(reader.Read("").empty());
    EXPECT_EQ(reader.TakeLine(), 6);
}
