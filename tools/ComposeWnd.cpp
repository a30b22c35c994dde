#include "tools/ComposeWnd.h"

#include "platform/Process.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A handler that cannot take the link says so within a fraction of a
// second; one still busy after this long has taken it.
constexpr DWORD kHandlerVerdictMs = 2000;

} // namespace

CComposeWnd::CComposeWnd(const QString& strNumber, const QString& strContact, QWidget* pParent)
    : QDialog(pParent)
    , m_strNumber(strNumber)
    , m_strContact(strContact.trimmed())
{
    setWindowTitle(tr("New Text Message"));

    m_pTo = new QLineEdit(strNumber, this);
    m_pTo->setPlaceholderText(tr("Phone number"));
    m_pContact = new QLabel(m_strContact, this);
    m_pContact->setTextFormat(Qt::PlainText);
    m_pBody = new QPlainTextEdit(this);
    m_pBody->setPlaceholderText(tr("Write your message here"));
    m_pBody->setTabChangesFocus(true);

    auto* pButtons = new QDialogButtonBox(this);
    m_pSend = pButtons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
    m_pCancel = pButtons->addButton(QDialogButtonBox::Cancel);
    m_pSend->setDefault(true);

    auto* pToRow = new QHBoxLayout;
    pToRow->addWidget(m_pTo, 1);
    pToRow->addWidget(m_pContact);
    auto* pTo = new QFormLayout;
    pTo->addRow(tr("To:"), pToRow);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTo);
    pLayout->addWidget(m_pBody, 1);
    pLayout->addWidget(pButtons);

    connect(m_pTo, &QLineEdit::textChanged, this, [this] {
        UpdateSendButton();
        UpdateContact();
    });
    connect(m_pSend, &QPushButton::clicked, this, [this] { OnSend(); });
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateSendButton();
    UpdateContact();

    resize(360, 280);
    // The number is usually given, so the user starts with the text.
    if (strNumber.isEmpty())
        m_pTo->setFocus();
    else
        m_pBody->setFocus();
}

QUrl CComposeWnd::SmsUrl(const QString& strNumber, const QString& strBody)
{
    QByteArray url = "sms:" + QUrl::toPercentEncoding(strNumber, "+") + "?body=" + QUrl::toPercentEncoding(strBody);
    return QUrl::fromEncoded(url, QUrl::StrictMode);
}

bool CComposeWnd::OpenWithDesktop(const QUrl& url)
{
    // QDesktopServices::openUrl would start the same command but tell only
    // whether it started, not whether anything took the link.
    WatchedStart result = StartAndWatch("xdg-open", {url.toEncoded().toStdString()}, kHandlerVerdictMs);
    return result == WatchedStart::Succeeded || result == WatchedStart::StillRunning;
}

void CComposeWnd::OnSend()
{
    QString strNumber = m_pTo->text().trimmed();
    if (strNumber.isEmpty())
        return;
    // A second Send while the first is handed over would send twice.
    m_pSend->setEnabled(false);
    bool bSent = OpenWithDesktop(SmsUrl(strNumber, m_pBody->toPlainText()));
    UpdateSendButton();
    if (bSent) {
        accept();
        return;
    }
    // The window stays with its text, so that the user can send it another
    // way or give up with Cancel.
    if (!m_pWarning) {
        m_pWarning = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                     tr("The message could not be sent: no program on this computer handles "
                                        "text messages (sms: links)."),
                                     QMessageBox::Ok, this);
    }
    m_pWarning->open();
}

void CComposeWnd::UpdateSendButton()
{
    m_pSend->setEnabled(!m_pTo->text().trimmed().isEmpty());
}

void CComposeWnd::UpdateContact()
{
    // The name belongs to the number it came with.
    m_pContact->setVisible(!m_strContact.isEmpty() && m_pTo->text() == m_strNumber);
}
