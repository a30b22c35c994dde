#include "tests/ui/ProbeDlg.h"

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
    ON_COMMAND(32814, &CProbeDlg::OnFirst)
    ON_COMMAND(32795, &CProbeDlg::OnFirst)
    ON_COMMAND(32811, &CProbeDlg::OnSecond)
    ON_COMMAND(32811, &CProbeDlg::OnFirst)
    ON_COMMAND(32792, &CProbeDlg::OnExit)
    ON_NOTIFY(LVN_ITEMACTIVATE, 1003, &CProbeDlg::OnItemActivate)
END_MESSAGE_MAP()

void CProbeDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    if (m_nListId)
        DDX_Control(pDX, m_nListId, m_list);
}

BOOL CProbeDlg::OnInitDialog()
{
    if (m_bCallBaseInit)
        CDialog::OnInitDialog();
    if (m_nMenu)
        m_bMenuMade = m_menuBar.Create(this) && m_menuBar.InsertMenuBar(m_nMenu);
    if (m_onInit)
        m_onInit(*this);
    return TRUE;
}

void CProbeDlg::OnOK()
{
    m_events.push_back("OnOK");
    CDialog::OnOK();
}

void CProbeDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    m_sizes.emplace_back(cx, cy);
}

void CProbeDlg::OnFirst()
{
    m_events.push_back("first");
    if (m_onFirst)
        m_onFirst(*this);
}

void CProbeDlg::OnSecond()
{
    m_events.push_back("second");
}

void CProbeDlg::OnExit()
{
    m_events.push_back("exit");
    OnOK();
}

void CProbeDlg::OnItemActivate(NMHDR* pNMHDR, LRESULT*)
{
    m_events.push_back("activate " + std::to_string(reinterpret_cast<NMITEMACTIVATE*>(pNMHDR)->iItem));
}
