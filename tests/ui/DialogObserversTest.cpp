#include "tests/support/UiTestGuards.h"
#include "tests/ui/ProbeDlg.h"
#include "ui/DialogObservers.h"
#include "ui/MessageBox.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

// Writes what it is told into a shared log under its name, and does what a
// test asks of it on each notification.
class CRecorder : public CDialogObserver
{
public:
    CRecorder(std::string strName, std::vector<std::string>* pLog) : m_strName(std::move(strName)), m_pLog(pLog) {}
    ~CRecorder() override { UnregisterDialogObserver(this); }

    void OnDialogWaiting(CDialog& dlg) override
    {
        m_pLog->push_back(m_strName + " waiting " + std::to_string(dlg.GetTemplateId()));
        if (m_onWaiting)
            m_onWaiting(dlg);
    }
    void OnDialogClosed(CDialog& dlg, INT_PTR nResult) override
    {
        m_pLog->push_back(m_strName + " closed " + std::to_string(dlg.GetTemplateId()) + " " +
                          std::to_string(nResult));
    }
    bool OnMessageBox(LPCWSTR lpText, LPCWSTR, UINT, int* pnAnswer) override
    {
        m_pLog->push_back(m_strName + " messagebox " + std::string(lpText, lpText + std::wcslen(lpText)));
        if (m_nAnswer == 0)
            return false;
        *pnAnswer = m_nAnswer;
        return true;
    }

    std::function<void(CDialog&)> m_onWaiting;
    int m_nAnswer = 0;

private:
    std::string m_strName;
    std::vector<std::string>* m_pLog;
};

} // namespace

TEST(DialogObservers, AreToldInTheOrderTheyWereRegistered)
{
    std::vector<std::string> log;
    CRecorder second("second", &log), first("first", &log);
    RegisterDialogObserver(&second);
    RegisterDialogObserver(&first);
    RegisterDialogObserver(&second);
    second.m_onWaiting = [](CDialog& dlg) { dlg.EndDialog(7); };
    CProbeDlg dlg(154);
    EXPECT_EQ(dlg.DoModal(), 7) << "an observer may end the run it is told of";
    EXPECT_EQ(log, std::vector<std::string>({"second waiting 154", "first waiting 154", "second closed 154 7",
                                             "first closed 154 7"}));

    log.clear();
    UnregisterDialogObserver(&second);
    first.m_onWaiting = [](CDialog& dlg) { dlg.EndDialog(IDCANCEL); };
    CProbeDlg again(154);
    again.DoModal();
    EXPECT_EQ(log, std::vector<std::string>({"first waiting 154", "first closed 154 2"}));
}

TEST(DialogObservers, MayComeAndGoWhileTheyAreTold)
{
    std::vector<std::string> log;
    CRecorder leaving("leaving", &log), staying("staying", &log), late("late", &log), gone("gone", &log);
    RegisterDialogObserver(&leaving);
    RegisterDialogObserver(&gone);
    RegisterDialogObserver(&staying);
    leaving.m_onWaiting = [&](CDialog& dlg) {
        UnregisterDialogObserver(&leaving);
        UnregisterDialogObserver(&gone);
        RegisterDialogObserver(&late);
        dlg.EndDialog(IDOK);
    };
    CProbeDlg dlg(154);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(log, std::vector<std::string>({"leaving waiting 154", "staying waiting 154", "staying closed 154 1",
                                             "late closed 154 1"}));

    // A dialog run while the observers are told is told of in turn.
    log.clear();
    UnregisterDialogObserver(&late);
    staying.m_onWaiting = [&](CDialog& dlg) {
        if (dlg.GetTemplateId() == 154) {
            CProbeDlg inner(131);
            inner.DoModal();
        }
        dlg.EndDialog(IDOK);
    };
    CProbeDlg outer(154);
    outer.DoModal();
    EXPECT_EQ(log, std::vector<std::string>({"staying waiting 154", "staying waiting 131", "staying closed 131 1",
                                             "staying closed 154 1"}));
}

TEST(DialogObservers, TheFirstAnswerToAMessageBoxHolds)
{
    std::vector<std::string> log;
    CRecorder silent("silent", &log), answering("answering", &log), last("last", &log);
    answering.m_nAnswer = 42;
    RegisterDialogObserver(&silent);
    RegisterDialogObserver(&answering);
    RegisterDialogObserver(&last);
    EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", MB_OK), 42);
    EXPECT_EQ(log, std::vector<std::string>({"silent messagebox text", "answering messagebox text"}));

    log.clear();
    {
        CMessageBoxHookGuard hook([](HWND, LPCWSTR, LPCWSTR, UINT) { return 5; });
        EXPECT_EQ(MessageBoxW(nullptr, L"text", nullptr, MB_OK), 5) << "the test seam comes first";
    }
    EXPECT_TRUE(log.empty());
}
