#include "platform/PhoneDialer.h"

#include "platform/AutomationOutput.h"
#include "platform/WideText.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdlib>

namespace {

// The number reaches the dialler command as "$1" and never becomes part of
// the shell text, so no number can run shell code.
bool StartDialerCommand(const QString& strCommand, const QString& strNumber)
{
    return QProcess::startDetached(QStringLiteral("/bin/sh"),
                                   {QStringLiteral("-c"), strCommand + QStringLiteral(" \"$1\""),
                                    QStringLiteral("ringtally-dialer"), strNumber});
}

bool OpenTelLink(const QString& strNumber)
{
    // Visual separators stay readable; everything else a URL may not hold
    // (blanks, #, ...) is percent-encoded.
    QByteArray encoded = QUrl::toPercentEncoding(strNumber, "+-.()");
    return QProcess::startDetached(QStringLiteral("xdg-open"),
                                   {QStringLiteral("tel:") + QString::fromLatin1(encoded)});
}

} // namespace

LONG PhoneMakeCall(PHONEMAKECALLINFO* ppmci)
{
    if (!ppmci || ppmci->cbSize != sizeof(PHONEMAKECALLINFO) || !ppmci->pszDestAddress)
        return -1;
    if (IsAutomationActive()) {
        AutomationPrint({L"dial", ppmci->pszDestAddress});
        return 0;
    }
    QString strNumber = QString::fromStdString(Utf8FromWide(ppmci->pszDestAddress));
    QString strDialer = qEnvironmentVariable("RINGTALLY_DIALER").trimmed();
    bool bStarted = strDialer.isEmpty() ? OpenTelLink(strNumber) : StartDialerCommand(strDialer, strNumber);
    return bStarted ? 0 : -1;
}
