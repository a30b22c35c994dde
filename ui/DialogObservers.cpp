#include "ui/DialogObservers.h"

#include <algorithm>
#include <vector>

void CDialogObserver::OnDialogWaiting(CDialog&)
{}

void CDialogObserver::OnDialogClosed(CDialog&, INT_PTR)
{}

bool CDialogObserver::OnMessageBox(LPCWSTR, LPCWSTR, UINT, int*)
{
    return false;
}

bool CDialogObserver::OnFileDialog(LPCWSTR, std::vector<std::wstring>*)
{
    return false;
}

namespace {

struct ObserverList {
    // An observer unregistered during a walk leaves a null in its place until
    // every walk has ended, so that the walks' positions stay valid.
    std::vector<CDialogObserver*> observers;
    int nWalks = 0;
};

ObserverList& Observers()
{
    static ObserverList s_list;
    return s_list;
}

// Tells the observers registered when the walk began, in order, until tell
// returns true; returns whether one did.
template <typename Tell> bool Walk(Tell tell)
{
    ObserverList& list = Observers();
    ++list.nWalks;
    bool bAnswered = false;
    const size_t nCount = list.observers.size();
    for (size_t i = 0; i < nCount && !bAnswered; ++i) {
        if (CDialogObserver* pObserver = list.observers[i])
            bAnswered = tell(*pObserver);
    }
    if (--list.nWalks == 0)
        std::erase(list.observers, nullptr);
    return bAnswered;
}

} // namespace

void RegisterDialogObserver(CDialogObserver* pObserver)
{
    std::vector<CDialogObserver*>& observers = Observers().observers;
    if (pObserver && std::find(observers.begin(), observers.end(), pObserver) == observers.end())
        observers.push_back(pObserver);
}

void UnregisterDialogObserver(CDialogObserver* pObserver)
{
    ObserverList& list = Observers();
    auto it = std::find(list.observers.begin(), list.observers.end(), pObserver);
    if (it == list.observers.end() || !pObserver)
        return;
    if (list.nWalks > 0)
        *it = nullptr;
    else
        list.observers.erase(it);
}

void NotifyDialogWaiting(CDialog& dlg)
{
    Walk([&](CDialogObserver& observer) {
        observer.OnDialogWaiting(dlg);
        return false;
    });
}

void NotifyDialogClosed(CDialog& dlg, INT_PTR nResult)
{
    Walk([&](CDialogObserver& observer) {
        observer.OnDialogClosed(dlg, nResult);
        return false;
    });
}

bool NotifyMessageBox(LPCWSTR lpText, LPCWSTR lpCaption, UINT uType, int* pnAnswer)
{
    return Walk([&](CDialogObserver& observer) { return observer.OnMessageBox(lpText, lpCaption, uType, pnAnswer); });
}

bool NotifyFileDialog(LPCWSTR lpTitle, std::vector<std::wstring>* pFiles)
{
    return Walk([&](CDialogObserver& observer) { return observer.OnFileDialog(lpTitle, pFiles); });
}
