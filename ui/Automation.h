#pragma once

// Scripted runs: when RINGTALLY_AUTOMATION names a script (its language is
// in AutomationScript.h), its steps drive the program as a user would, each
// acting on the active dialog (the topmost one in its modal run), and what
// happens is printed as event lines. The runner watches the dialogs as a
// dialog observer while a script runs.
//
// Output, one TAB between fields: "dialog ID CAPTION" and its controls
// ("row N IMAGE CELL...", "item N TEXT", "date ID YYYY-MM-DD") for dump,
// "messagebox CAPTION TEXT" (the box is answered at once), "closed ID
// RESULT". A step that cannot be done prints "error LINE TEXT" on standard
// error; the dialogs are then closed from the top and the exit status is 2.
// At the script's end the dialogs still open are cancelled from the top, the
// main window with ok.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CDialog;
class CScriptRunner;

class CAutomation
{
public:
    // A step written in code, for tests: runs on the active dialog.
    using Action = std::function<void(CDialog& dlg)>;

    // Reads the script named by RINGTALLY_AUTOMATION, if any; false after
    // printing "error 0 TEXT" when it cannot be read.
    static bool StartFromEnvironment();
    // The program's exit status once its main window has ended: nCode
    // without a script; with one, 2 when a step failed or steps were left
    // with no dialog to act on, else 0. The script stops watching the
    // dialogs.
    static int Finish(int nCode);
};

// A scripted run inside a test process: while the object lives, the dialogs
// run by the test follow its steps, and the lines the program prints are
// collected instead of written. A session made while another lives takes
// over the dialogs from it for good.
class CAutomationSession
{
public:
    explicit CAutomationSession(std::string_view strScript = {});
    ~CAutomationSession();
    CAutomationSession(const CAutomationSession&) = delete;
    CAutomationSession& operator=(const CAutomationSession&) = delete;

    // Adds script lines after the steps so far.
    void AddScript(std::string_view strScript);
    // Adds a step written in code after the steps so far.
    void AddAction(CAutomation::Action action);
    // The lines printed so far, each ended by a newline.
    const std::string& Output() const { return m_strOutput; }
    const std::string& Errors() const { return m_strErrors; }
    // As the program would end now: 2 after a failed step or with steps
    // left over (which is then reported as an error), else 0.
    int Finish();

private:
    std::unique_ptr<CScriptRunner> m_pRunner;
    std::string m_strOutput;
    std::string m_strErrors;
};
