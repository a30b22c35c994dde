#include "platform/PhoneDialer.h"

#include "platform/AutomationOutput.h"
#include "platform/Process.h"
#include "platform/WideText.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>
#include <vector>

namespace {

// A dialler that cannot take the number (xdg-open without a handler for
// tel: links) says so within a fraction of a second; one that is still busy
// after this long has taken it.
constexpr DWORD kDialerVerdictMs = 2000;

} // namespace

LONG PhoneMakeCall(PHONEMAKECALLINFO* ppmci)
{
    if (!ppmci || ppmci->cbSize != sizeof(PHONEMAKECALLINFO) || !ppmci->pszDestAddress)
        return -1;
    if (IsAutomationActive()) {
        AutomationPrint({L"dial", ppmci->pszDestAddress});
        return 0;
    }
    std::string strNumber = Utf8FromWide(ppmci->pszDestAddress);
    QString strDialer = qEnvironmentVariable("RINGTALLY_DIALER").trimmed();
    WatchedStart result;
    if (!strDialer.isEmpty()) {
        // The number reaches the dialler command as "$1" and never becomes
        // part of the shell text, so no number can run shell code.
        result = StartAndWatch("/bin/sh", {"-c", strDialer.toStdString() + " \"$1\"", "ringtally-dialer", strNumber},
                               kDialerVerdictMs);
    } else {
        // Visual separators stay readable; everything else a URL may not
        // hold (blanks, #, ...) is percent-encoded.
        QByteArray encoded = QUrl::toPercentEncoding(QString::fromStdString(strNumber), "+-.()");
        result = StartAndWatch("xdg-open", {"tel:" + encoded.toStdString()}, kDialerVerdictMs);
    }
    return result == WatchedStart::Succeeded || result == WatchedStart::StillRunning ? 0 : -1;
}
