#pragma once

// What the dialogs and message boxes tell whoever watches them (the
// automation, tests): a dialog waits for input, a dialog's run has ended, a
// message box is about to be shown. The dialogs know nothing of their
// observers beyond this interface.

#include "ui/WinDef.h"

#include <string>
#include <vector>

class CDialog;

class CDialogObserver
{
public:
    virtual ~CDialogObserver() = default;

    // The dialog is initialised, shown and its run waits for input.
    virtual void OnDialogWaiting(CDialog& dlg);
    // The dialog's run has ended with nResult; its window is gone and it is
    // no longer among the modal dialogs.
    virtual void OnDialogClosed(CDialog& dlg, INT_PTR nResult);
    // A message box is about to be shown. An observer that answers it in
    // the user's place sets *pnAnswer and returns true; the box is then not
    // shown and the observers after it are not asked.
    virtual bool OnMessageBox(LPCWSTR lpText, LPCWSTR lpCaption, UINT uType, int* pnAnswer);
    // A dialog to choose files is about to be shown. An observer that
    // answers it in the user's place fills *pFiles (none: cancelled) and
    // returns true; the dialog is then not shown.
    virtual bool OnFileDialog(LPCWSTR lpTitle, std::vector<std::wstring>* pFiles);
};

// Observers are told in the order they were registered. An observer may end
// dialogs, run them, or register and unregister observers (itself too) while
// it is being told: one unregistered is not told again, and one registered
// hears from the next notification on. Registering twice has no effect.
void RegisterDialogObserver(CDialogObserver* pObserver);
void UnregisterDialogObserver(CDialogObserver* pObserver);

// Called by the dialogs and message boxes.
void NotifyDialogWaiting(CDialog& dlg);
void NotifyDialogClosed(CDialog& dlg, INT_PTR nResult);
// The first answer an observer gives, or false when none answers.
bool NotifyMessageBox(LPCWSTR lpText, LPCWSTR lpCaption, UINT uType, int* pnAnswer);
bool NotifyFileDialog(LPCWSTR lpTitle, std::vector<std::wstring>* pFiles);
