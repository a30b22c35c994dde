#pragma once

#include "ui/CommandBar.h"
#include "ui/Dialog.h"
#include "ui/ListCtrl.h"

#include <functional>
#include <string>
#include <vector>

// A dialog on any template that records what reaches it: it may make a menu
// bar, bind a list view and run code while it initialises or on a command.
// It records rows activated in list 1003 and the client sizes OnSize tells.
class CProbeDlg : public CDialog
{
public:
    explicit CProbeDlg(UINT nTemplate, UINT nMenu = 0, int nListId = 0)
        : CDialog(nTemplate), m_nMenu(nMenu), m_nListId(nListId)
    {
    }

    std::vector<std::string> m_events;
    std::function<void(CProbeDlg&)> m_onInit;
    std::function<void(CProbeDlg&)> m_onFirst;
    bool m_bMenuMade = false;
    bool m_bCallBaseInit = true;
    CCommandBar m_menuBar;
    CListCtrl m_list;
    std::vector<std::pair<int, int>> m_sizes;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnFirst();
    void OnSecond();
    void OnExit();
    void OnItemActivate(NMHDR* pNMHDR, LRESULT* pResult);

    UINT m_nMenu;
    int m_nListId;

    DECLARE_MESSAGE_MAP()
};
