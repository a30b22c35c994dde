#pragma once

#include "tests/support/TestGuards.h"
#include "ui/Gdi.h"
#include "ui/MessageBox.h"

#include <QSize>

#include <optional>

// Guards for the user interface's seams; see TestGuards.h.

// The device screen size (RINGTALLY_SCREEN, "WxH").
class CScreenSize
{
public:
    explicit CScreenSize(const char* pszSize)
        : m_size("RINGTALLY_SCREEN", pszSize)
    {
    }

private:
    CEnvVar m_size;
};

// The size remembered for the main window (none: nothing remembered), and
// nothing remembered afterwards.
class CRememberedSize
{
public:
    explicit CRememberedSize(std::optional<QSize> size);
    ~CRememberedSize();
    CRememberedSize(const CRememberedSize&) = delete;
    CRememberedSize& operator=(const CRememberedSize&) = delete;
};

// Text is measured by the hook instead of the font.
class CTextExtentHookGuard
{
public:
    explicit CTextExtentHookGuard(TextExtentHook hook) { SetTextExtentHook(std::move(hook)); }
    ~CTextExtentHookGuard() { SetTextExtentHook({}); }
    CTextExtentHookGuard(const CTextExtentHookGuard&) = delete;
    CTextExtentHookGuard& operator=(const CTextExtentHookGuard&) = delete;
};

// Every measured text is 9 pixels a character wide and nHeight pixels high
// (nHeight < 0: the measurement fails).
class CFixedTextHeight
{
public:
    explicit CFixedTextHeight(int nHeight);

private:
    CTextExtentHookGuard m_hook;
};

// Message boxes go to the hook instead of the screen.
class CMessageBoxHookGuard
{
public:
    explicit CMessageBoxHookGuard(MessageBoxHook hook) { SetMessageBoxHook(std::move(hook)); }
    ~CMessageBoxHookGuard() { SetMessageBoxHook({}); }
    CMessageBoxHookGuard(const CMessageBoxHookGuard&) = delete;
    CMessageBoxHookGuard& operator=(const CMessageBoxHookGuard&) = delete;
};
