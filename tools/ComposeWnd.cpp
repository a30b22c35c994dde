#include "tools/ComposeWnd.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CComposeWnd::CComposeWnd(const QString& strNumber, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(tr("New Text Message"));

    m_pTo = new QLineEdit(strNumber, this);
    m_pTo->setPlaceholderText(tr("Phone number"));
    m_pBody = new QPlainTextEdit(this);
    m_pBody->setPlaceholderText(tr("Write your message here"));
    m_pBody->setTabChangesFocus(true);

    auto* pButtons = new QDialogButtonBox(this);
    m_pSend = pButtons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
    m_pCancel = pButtons->addButton(QDialogButtonBox::Cancel);
    m_pSend->setDefault(true);

    auto* pTo = new QFormLayout;
    pTo->addRow(tr("To:"), m_pTo);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTo);
    pLayout->addWidget(m_pBody, 1);
    pLayout->addWidget(pButtons);

    connect(m_pTo, &QLineEdit::textChanged, this, [this] { UpdateSendButton(); });
    connect(m_pSend, &QPushButton::clicked, this, [this] { OnSend(); });
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateSendButton();

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

void CComposeWnd::OnSend()
{
    QString strNumber = m_pTo->text().trimmed();
    if (strNumber.isEmpty())
        return;
    if (!QDesktopServices::openUrl(SmsUrl(strNumber, m_pBody->toPlainText()))) {
        QMessageBox::warning(this, windowTitle(),
                             tr("The message could not be sent: no program on this computer handles "
                                "text messages (sms: links)."));
        return;
    }
    accept();
}

void CComposeWnd::UpdateSendButton()
{
    m_pSend->setEnabled(!m_pTo->text().trimmed().isEmpty());
}
