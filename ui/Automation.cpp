#include "ui/Automation.h"

#include "platform/AutomationOutput.h"
#include "platform/WideText.h"
#include "ui/AutomationScript.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/DialogObservers.h"
#include "ui/ListCtrl.h"
#include "ui/ListView.h"
#include "ui/Widgets.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

class CScriptRunner : public CDialogObserver
{
public:
    using LineSink = std::function<void(const std::string& strLine)>;

    // A script step, or a step written in code (with the line number it
    // took and no text).
    struct Step {
        ScriptStep script;
        CAutomation::Action action;
    };

    explicit CScriptRunner(LineSink errorSink)
        : m_errorSink(std::move(errorSink))
    {}

    void AddScript(std::string_view strScript)
    {
        for (ScriptStep& step : m_reader.Read(strScript))
            m_steps.push_back(Step {std::move(step), nullptr});
    }

    void AddAction(CAutomation::Action action)
    {
        Step step {};
        step.script.nLine = m_reader.TakeLine();
        step.action = std::move(action);
        m_steps.push_back(std::move(step));
    }

    // Writes how long each step took to the file, one line each: the script
    // line (0 for the start, up to the main window waiting for input), the
    // milliseconds until the next step could run, and the step's text.
    bool TimeStepsInto(const char* pszPath)
    {
        m_pTimes.reset(std::fopen(pszPath, "w"));
        m_stepStart = std::chrono::steady_clock::now();
        return m_pTimes != nullptr;
    }

    // Asks for the next step to run from the event loop of the active dialog.
    void Schedule()
    {
        if (m_bScheduled || CDialog::ModalDialogs().empty())
            return;
        m_bScheduled = true;
        uint64_t nGeneration = m_nGeneration;
        QTimer::singleShot(0, QCoreApplication::instance(), [nGeneration] {
            if (s_pActive && s_pActive->m_nGeneration == nGeneration)
                s_pActive->RunNext();
        });
    }

    int Finish()
    {
        if (!m_bFailed && m_nNext < m_steps.size())
            Fail(m_steps[m_nNext].script.nLine, L"no dialog is open");
        return m_bFailed ? 2 : 0;
    }

    void Fail(int nLine, const std::wstring& strText)
    {
        m_bFailed = true;
        std::string strLine = "error\t" + std::to_string(nLine) + "\t" + Utf8FromWide(strText);
        if (m_errorSink) {
            m_errorSink(strLine);
        } else {
            strLine += '\n';
            std::fflush(stdout);
            std::fwrite(strLine.data(), 1, strLine.size(), stderr);
            std::fflush(stderr);
        }
    }

    void OnDialogWaiting(CDialog&) override { Schedule(); }

    void OnDialogClosed(CDialog& dlg, INT_PTR nResult) override
    {
        AutomationPrint({L"closed", std::to_wstring(dlg.GetTemplateId()), std::to_wstring(nResult)});
        Schedule();
    }

    bool OnMessageBox(LPCWSTR lpText, LPCWSTR lpCaption, UINT, int* pnAnswer) override
    {
        AutomationPrint({L"messagebox", lpCaption, lpText});
        *pnAnswer = IDOK;
        return true;
    }

    // A file dialog takes the files of the last choose step, once; without
    // one it is cancelled.
    bool OnFileDialog(LPCWSTR lpTitle, std::vector<std::wstring>* pFiles) override
    {
        AutomationPrint({L"filedialog", lpTitle});
        *pFiles = m_chosenFiles.value_or(std::vector<std::wstring> {});
        m_chosenFiles.reset();
        return true;
    }

    // One run drives the dialogs at a time: a run started while another is
    // active takes over from it, and nullptr ends the active one.
    static void Activate(CScriptRunner* pRunner)
    {
        static uint64_t s_nGenerations = 0;
        if (s_pActive)
            UnregisterDialogObserver(s_pActive);
        if (pRunner) {
            pRunner->m_nGeneration = ++s_nGenerations;
            RegisterDialogObserver(pRunner);
        }
        s_pActive = pRunner;
    }
    static CScriptRunner* Active() { return s_pActive; }

private:
    void RunNext();
    bool Execute(CDialog& dlg, const ScriptStep& step, std::wstring* pError);
    bool Select(CDialog& dlg, const ScriptStep& step, std::wstring* pError);
    bool ChooseMenu(CDialog& dlg, const ScriptStep& step, std::wstring* pError);
    bool SetDate(CDialog& dlg, const ScriptStep& step, std::wstring* pError);
    bool SaveScreenshot(CDialog& dlg, const ScriptStep& step, std::wstring* pError);
    void Dump(CDialog& dlg);

    static inline CScriptRunner* s_pActive = nullptr;

    LineSink m_errorSink;
    std::optional<std::vector<std::wstring>> m_chosenFiles;
    CScriptReader m_reader;
    std::vector<Step> m_steps;
    size_t m_nNext = 0;
    bool m_bFailed = false;
    bool m_bScheduled = false;
    uint64_t m_nGeneration = 0;
    // Dialogs whose step is still running (it may have opened another).
    std::vector<CDialog*> m_busy;

    void TimeStep(const Step* pNext);
    struct FileCloser {
        void operator()(std::FILE* pFile) const { std::fclose(pFile); }
    };
    std::unique_ptr<std::FILE, FileCloser> m_pTimes;
    std::chrono::steady_clock::time_point m_stepStart;
    int m_nTimedLine = 0;
    std::wstring m_strTimedText = L"start";
};

namespace {

void PrintFields(const std::vector<std::wstring>& fields)
{
    AutomationPrint(fields);
}

std::wstring Quoted(const wchar_t* psz)
{
    return std::wstring(L"\"") + psz + L"\"";
}

const MenuItemTemplate* FindItem(const std::vector<MenuItemTemplate>& items, const std::wstring& strCaption)
{
    for (const MenuItemTemplate& item : items) {
        if (strCaption == item.pszCaption)
            return &item;
    }
    return nullptr;
}

CListCtrl* FirstListView(CDialog& dlg)
{
    for (CWnd* pWnd : dlg.GetControls()) {
        if (dynamic_cast<CListViewWidget*>(pWnd->m_hWnd))
            return static_cast<CListCtrl*>(pWnd);
    }
    return nullptr;
}

std::wstring DateText(const SYSTEMTIME& st)
{
    wchar_t szDate[16];
    std::swprintf(szDate, 16, L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    return szDate;
}

} // namespace

// The step before has ended when the next one can run: whatever dialog it
// opened is up and waiting.
void CScriptRunner::TimeStep(const Step* pNext)
{
    if (!m_pTimes)
        return;
    auto now = std::chrono::steady_clock::now();
    double dMs = std::chrono::duration<double, std::milli>(now - m_stepStart).count();
    std::fprintf(m_pTimes.get(), "%d\t%.1f\t%s\n", m_nTimedLine, dMs, Utf8FromWide(m_strTimedText).c_str());
    std::fflush(m_pTimes.get());
    if (pNext) {
        m_nTimedLine = pNext->script.nLine;
        m_strTimedText = pNext->script.strText;
    } else {
        m_pTimes.reset();
    }
    m_stepStart = std::chrono::steady_clock::now();
}

void CScriptRunner::RunNext()
{
    m_bScheduled = false;
    CDialog* pTop = CDialog::GetActiveDialog();
    if (!pTop || !pTop->IsRunning() || std::find(m_busy.begin(), m_busy.end(), pTop) != m_busy.end())
        return;
    TimeStep(m_nNext < m_steps.size() && !m_bFailed ? &m_steps[m_nNext] : nullptr);
    if (m_bFailed) {
        pTop->EndDialog(IDCANCEL);
        return;
    }
    if (m_nNext >= m_steps.size()) {
        // The script is over: cancel from the top; the main window gets ok.
        bool bMain = CDialog::ModalDialogs().size() == 1;
        int nCommand = bMain ? IDOK : IDCANCEL;
        m_busy.push_back(pTop);
        pTop->SendCommand(static_cast<UINT>(nCommand));
        m_busy.erase(std::find(m_busy.begin(), m_busy.end(), pTop));
        if (pTop->IsRunning())
            pTop->EndDialog(nCommand);
        Schedule();
        return;
    }
    const Step step = m_steps[m_nNext++];
    std::wstring strError;
    m_busy.push_back(pTop);
    bool bDone = true;
    if (step.action)
        step.action(*pTop);
    else
        bDone = Execute(*pTop, step.script, &strError);
    m_busy.erase(std::find(m_busy.begin(), m_busy.end(), pTop));
    if (!bDone && !m_bFailed)
        Fail(step.script.nLine, strError);
    Schedule();
}

bool CScriptRunner::Execute(CDialog& dlg, const ScriptStep& step, std::wstring* pError)
{
    if (!step.strError.empty() && !step.bErrorAfterTarget) {
        *pError = step.strError;
        return false;
    }
    switch (step.verb) {
    case ScriptVerb::Expect:
        if (dlg.GetTemplateId() != static_cast<UINT>(step.numbers[0])) {
            *pError = L"the active dialog is " + std::to_wstring(dlg.GetTemplateId()) + L", not " + step.args[0];
            return false;
        }
        return true;
    case ScriptVerb::Select:
        return Select(dlg, step, pError);
    case ScriptVerb::Command:
        if (!dlg.SendCommand(static_cast<UINT>(step.numbers[0]))) {
            *pError = L"the active dialog has no command " + step.args[0];
            return false;
        }
        return true;
    case ScriptVerb::Menu:
        return ChooseMenu(dlg, step, pError);
    case ScriptVerb::Ok:
        dlg.SendCommand(IDOK);
        return true;
    case ScriptVerb::Cancel:
        dlg.SendCommand(IDCANCEL);
        return true;
    case ScriptVerb::Date:
        return SetDate(dlg, step, pError);
    case ScriptVerb::Dump:
        Dump(dlg);
        return true;
    case ScriptVerb::Screenshot:
        return SaveScreenshot(dlg, step, pError);
    case ScriptVerb::Choose:
        m_chosenFiles = step.args;
        return true;
    case ScriptVerb::Unknown:
        break;
    }
    *pError = step.strError;
    return false;
}

bool CScriptRunner::Select(CDialog& dlg, const ScriptStep& step, std::wstring* pError)
{
    CListCtrl* pList = FirstListView(dlg);
    if (!pList) {
        *pError = L"the active dialog has no list view";
        return false;
    }
    for (size_t i = 0; i < step.numbers.size(); ++i) {
        if (step.numbers[i] >= pList->GetItemCount()) {
            *pError = L"no such row " + step.args[i];
            return false;
        }
    }
    if (!step.strError.empty()) {
        *pError = step.strError;
        return false;
    }
    static_cast<CListViewWidget*>(pList->m_hWnd)->SelectRows(step.numbers);
    return true;
}

bool CScriptRunner::ChooseMenu(CDialog& dlg, const ScriptStep& step, std::wstring* pError)
{
    const std::vector<std::wstring>& captions = step.args;
    const MenuTemplate* pMenu = dlg.GetSoftKeyMenu();
    const MenuItemTemplate* pItem = pMenu ? FindItem(pMenu->items, captions[0]) : nullptr;
    if (!pItem) {
        *pError = L"no soft key \"" + captions[0] + L"\"";
        return false;
    }
    for (size_t i = 1; i < captions.size(); ++i) {
        if (pItem->nId != 0) {
            *pError = Quoted(pItem->pszCaption) + L" is a command and has no menu";
            return false;
        }
        const MenuItemTemplate* pChild = FindItem(pItem->popup, captions[i]);
        if (!pChild) {
            *pError = L"no item \"" + captions[i] + L"\" in " + Quoted(pItem->pszCaption);
            return false;
        }
        pItem = pChild;
    }
    if (pItem->nId == 0) {
        *pError = Quoted(pItem->pszCaption) + L" opens a menu: choose one of its items";
        return false;
    }
    if (!dlg.SendCommand(pItem->nId)) {
        *pError = L"the active dialog has no command " + std::to_wstring(pItem->nId);
        return false;
    }
    return true;
}

bool CScriptRunner::SetDate(CDialog& dlg, const ScriptStep& step, std::wstring* pError)
{
    CWnd* pWnd = dlg.GetDlgItem(step.numbers[0]);
    if (!pWnd || !dynamic_cast<CDateTimeWidget*>(pWnd->m_hWnd)) {
        *pError = L"no date-time picker " + step.args[0];
        return false;
    }
    if (!step.strError.empty()) {
        *pError = step.strError;
        return false;
    }
    auto* pPicker = static_cast<CDateTimeCtrl*>(pWnd);
    SYSTEMTIME st {};
    pPicker->GetTime(&st);
    st.wYear = static_cast<WORD>(step.nYear);
    st.wMonth = static_cast<WORD>(step.nMonth);
    st.wDay = static_cast<WORD>(step.nDay);
    if (!pPicker->SetTime(&st)) {
        *pError = NotAPickerDate(step.args[1]);
        return false;
    }
    return true;
}

bool CScriptRunner::SaveScreenshot(CDialog& dlg, const ScriptStep& step, std::wstring* pError)
{
    // Rows added by the step before are shown on the next turn of the event
    // loop; the picture must not be taken before that.
    for (CWnd* pWnd : dlg.GetControls()) {
        if (auto* pControl = dynamic_cast<CControlWindow*>(pWnd->m_hWnd))
            pControl->Flush();
    }
    QPixmap picture = dlg.GetFrameWindow()->grab();
    if (!picture.save(QString::fromStdWString(step.args[0]), "PNG")) {
        *pError = L"cannot write " + step.args[0];
        return false;
    }
    return true;
}

void CScriptRunner::Dump(CDialog& dlg)
{
    std::vector<wchar_t> caption(static_cast<size_t>(dlg.GetWindowTextLength()) + 1);
    dlg.GetWindowText(caption.data(), static_cast<int>(caption.size()));
    PrintFields({L"dialog", std::to_wstring(dlg.GetTemplateId()), caption.data()});
    for (CWnd* pWnd : dlg.GetControls()) {
        if (auto* pView = dynamic_cast<CListViewWidget*>(pWnd->m_hWnd)) {
            const CListModel& model = pView->Model();
            int nColumns = std::max(1, model.columnCount());
            for (int nRow = 0; nRow < model.ItemCount(); ++nRow) {
                std::vector<std::wstring> fields {L"row", std::to_wstring(nRow),
                                                  std::to_wstring(model.GetItemImage(nRow))};
                for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
                    std::wstring strCell;
                    model.GetItemText(nRow, nColumn, &strCell);
                    fields.push_back(strCell);
                }
                PrintFields(fields);
            }
        } else if (dynamic_cast<CListBoxWidget*>(pWnd->m_hWnd)) {
            auto* pListBox = static_cast<CListBox*>(pWnd);
            for (int i = 0; i < pListBox->GetCount(); ++i)
                PrintFields({L"item", std::to_wstring(i), pListBox->GetText(i)});
        } else if (dynamic_cast<CDateTimeWidget*>(pWnd->m_hWnd)) {
            SYSTEMTIME st {};
            static_cast<CDateTimeCtrl*>(pWnd)->GetTime(&st);
            PrintFields({L"date", std::to_wstring(pWnd->GetDlgCtrlID()), DateText(st)});
        }
    }
    std::vector<std::vector<std::wstring>> lines;
    dlg.GetDumpLines(&lines);
    for (const std::vector<std::wstring>& fields : lines)
        PrintFields(fields);
}

bool CAutomation::StartFromEnvironment()
{
    const char* pszScript = std::getenv("RINGTALLY_AUTOMATION");
    if (!pszScript || !*pszScript)
        return true;
    static std::unique_ptr<CScriptRunner> s_pRunner;
    s_pRunner = std::make_unique<CScriptRunner>(nullptr);
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(pszScript, ec))
        in.open(pszScript, std::ios::binary);
    std::stringstream text;
    if (in)
        text << in.rdbuf();
    if (!in.is_open() || in.bad()) {
        s_pRunner->Fail(0, L"cannot read the script " + WideFromUtf8(pszScript));
        return false;
    }
    s_pRunner->AddScript(text.str());
    if (const char* pszTimes = std::getenv("RINGTALLY_AUTOMATION_TIMES");
        pszTimes && *pszTimes && !s_pRunner->TimeStepsInto(pszTimes)) {
        s_pRunner->Fail(0, L"cannot write the step times to " + WideFromUtf8(pszTimes));
        return false;
    }
    CScriptRunner::Activate(s_pRunner.get());
    return true;
}

int CAutomation::Finish(int nCode)
{
    CScriptRunner* pRunner = CScriptRunner::Active();
    if (!pRunner)
        return nCode;
    CScriptRunner::Activate(nullptr);
    return pRunner->Finish();
}

CAutomationSession::CAutomationSession(std::string_view strScript)
    : m_pRunner(std::make_unique<CScriptRunner>([this](const std::string& strLine) {
        m_strErrors += strLine;
        m_strErrors += '\n';
    }))
{
    m_pRunner->AddScript(strScript);
    SetAutomationSink([this](const std::string& strLine) {
        m_strOutput += strLine;
        m_strOutput += '\n';
    });
    CScriptRunner::Activate(m_pRunner.get());
}

CAutomationSession::~CAutomationSession()
{
    if (CScriptRunner::Active() == m_pRunner.get())
        CScriptRunner::Activate(nullptr);
    SetAutomationSink({});
}

void CAutomationSession::AddScript(std::string_view strScript)
{
    m_pRunner->AddScript(strScript);
}

void CAutomationSession::AddAction(CAutomation::Action action)
{
    m_pRunner->AddAction(std::move(action));
}

int CAutomationSession::Finish()
{
    return m_pRunner->Finish();
}
