#pragma once

// Choosing files, and a note that work is under way: the desktop around the
// phone's screens.

#include "ui/WinDef.h"

#include <memory>
#include <string>
#include <vector>

// Asks the user for existing files over hWnd's window: one, or several when
// bMultiple. lpFilter is "Description (*.ext);;All files (*)" as Qt reads
// it. FALSE when the user cancels. A dialog observer may answer in the
// user's place (the automation does), and the dialog is then not shown.
BOOL ChooseFiles(HWND hWnd, LPCWSTR lpTitle, LPCWSTR lpFilter, bool bMultiple, std::vector<std::wstring>* pFiles);

// Asks the user for a file to write, over hWnd's window, as ChooseFiles
// does; the dialog asks before an existing file is chosen.
BOOL ChooseSaveFile(HWND hWnd, LPCWSTR lpTitle, LPCWSTR lpFilter, std::wstring* pFile);

// A small window over hWnd's that says what is being done, with a moving
// bar, while the object lives and the work takes long enough to notice.
class CProgressNote
{
public:
    CProgressNote(HWND hWnd, LPCWSTR lpText);
    ~CProgressNote();
    CProgressNote(const CProgressNote&) = delete;
    CProgressNote& operator=(const CProgressNote&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
