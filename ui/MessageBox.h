#pragma once

// Message boxes under the platform's names.

#include "ui/WinDef.h"

#include <functional>

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;

// Shows a modal message box with one OK button over hWnd's window and
// returns IDOK once it is closed. A null caption reads "Error". A dialog
// observer may answer the box in the user's place (the automation does), and
// the box is then not shown.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

// Test seam: while set, every message box goes to the hook instead, which
// returns the answer.
using MessageBoxHook = std::function<int(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)>;
void SetMessageBoxHook(MessageBoxHook hook);
