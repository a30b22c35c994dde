#pragma once

// The language of automation scripts, read without any window (the runner
// in Automation.h does the steps).
//
// One step per line; blank lines and lines starting with # are skipped;
// words are separated by blanks, a word holding blanks is written in double
// quotes.
//   expect ID                  the active dialog was made from template ID
//   select [ROW ...]           select exactly these rows of its list view
//   command ID                 send command ID, as its menu item would
//   menu KEY [ITEM [SUBITEM]]  choose a soft-key menu entry by its captions
//   ok / cancel                command 1 (the Done button) / command 2
//   date ID YYYY-MM-DD         set the date of date-time picker ID
//   dump                       print the active dialog
//   screenshot FILE            save a PNG picture of the active dialog
//   choose [FILE ...]          answer the next file dialog with these files
//                              (none: cancel it)
// A number is at most nine decimal digits.

#include <string>
#include <string_view>
#include <vector>

enum class ScriptVerb { Unknown, Expect, Select, Command, Menu, Ok, Cancel, Date, Dump, Screenshot, Choose };

struct ScriptStep {
    int nLine = 0;
    // The line as written.
    std::wstring strText;
    ScriptVerb verb = ScriptVerb::Unknown;
    // The words after the verb, without their quotes.
    std::vector<std::wstring> args;
    // expect, command, date: the id. select: the rows, up to the first word
    // that is not a number.
    std::vector<int> numbers;
    // date: the date.
    int nYear = 0;
    int nMonth = 0;
    int nDay = 0;
    // Why the step cannot be done as written; empty when it can. A row that
    // is not a number or a malformed date is reported only once the step has
    // found its list view or picker (and checked the rows before), because
    // those checks against the dialog come first.
    std::wstring strError;
    bool bErrorAfterTarget = false;
};

// Reads a script that may come in parts: each part's lines are numbered on
// from the last line of the parts before.
class CScriptReader
{
public:
    // The steps of the next part, UTF-8, in order. Lines end with LF or
    // CR LF.
    std::vector<ScriptStep> Read(std::string_view strText);
    // Takes the next line number for a step that is not script text.
    int TakeLine() { return ++m_nLastLine; }

private:
    int m_nLastLine = 0;
};

// What a date step reports when its date is not a date YYYY-MM-DD the picker
// can hold.
std::wstring NotAPickerDate(const std::wstring& strDate);
