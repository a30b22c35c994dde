#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// ringtally-tmail's compose window: a new text message to one number. Send
// hands the message to the desktop's handler for sms: links and accepts the
// window; Cancel rejects it.
class CComposeWnd : public QDialog
{
public:
    explicit CComposeWnd(const QString& strNumber, QWidget* pParent = nullptr);

    // sms:NUMBER?body=TEXT, both parts percent-encoded as UTF-8.
    static QUrl SmsUrl(const QString& strNumber, const QString& strBody);

    QLineEdit* ToEdit() const { return m_pTo; }
    QPlainTextEdit* BodyEdit() const { return m_pBody; }
    QPushButton* SendButton() const { return m_pSend; }
    QPushButton* CancelButton() const { return m_pCancel; }

private:
    void OnSend();
    void UpdateSendButton();

    QLineEdit* m_pTo = nullptr;
    QPlainTextEdit* m_pBody = nullptr;
    QPushButton* m_pSend = nullptr;
    QPushButton* m_pCancel = nullptr;
};
