#include "phone/PhoneActions.h"

#include "platform/PhoneDialer.h"
#include "platform/Process.h"
#include "ui/MessageBox.h"
#include "ui/WinApp.h"

#include <cwchar>
#include <string>

namespace {

constexpr size_t kMaxNumberLength = MAX_PATH - 1 - (sizeof("mailto:") - 1);

} // namespace

int DialNumber(LPCWSTR pszNumber)
{
    if (!pszNumber)
        pszNumber = L"";
    PHONEMAKECALLINFO info {};
    info.cbSize = sizeof(info);
    info.dwFlags = PMCF_DEFAULT;
    info.pszDestAddress = pszNumber;
    // The dialler may take a moment to say whether it took the number.
    CWaitCursor wait;
    LONG nResult = PhoneMakeCall(&info);
    wait.Restore();
    if (nResult == 0)
        return 0;
    std::wstring strText = *pszNumber ? L"No program on this computer could dial " + std::wstring(pszNumber) +
                                            L". Please dial the number by hand."
                                      : std::wstring(L"This call has no number to dial.");
    MessageBoxW(nullptr, strText.c_str(), L"Dial", MB_ICONWARNING);
    return -1;
}

int SendSms(LPCWSTR pszNumber, LPCWSTR pszName)
{
    if (!pszNumber)
        pszNumber = L"";
    // Checked before anything starts, so that a number the second command
    // line cannot hold leaves no messaging application open.
    if (std::wcslen(pszNumber) > kMaxNumberLength)
        return 0;

    WCHAR szPath[MAX_PATH];
    PROCESS_INFORMATION pi {};
    std::wcscpy(szPath, L"\\windows\\tmail.exe");
    if (!CreateProcessW(szPath, L"-service \"Sms\"", nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        nullptr, nullptr, &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    std::wstring strCommandLine = L"mailto:" + std::wstring(pszNumber);
    if (pszName && *pszName && std::wcscmp(pszName, pszNumber) != 0) {
        std::wstring strWithName = L"-contact " + QuoteCommandLineWord(pszName) + L" " + strCommandLine;
        if (strWithName.size() < MAX_PATH)
            strCommandLine = std::move(strWithName);
    }
    if (!CreateProcessW(szPath, strCommandLine.c_str(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                        nullptr, &pi))
        return 0;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}
