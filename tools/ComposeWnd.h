#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

class QLabel;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;

// ringtally-tmail's compose window: a new text message to one number, with
// the contact's name beside it when the caller knows one. Send hands the
// message to the desktop's handler for sms: links and accepts the window;
// when no handler takes it, a warning says so and the window stays as it
// was, text and all. Cancel rejects the window.
class CComposeWnd : public QDialog
{
public:
    explicit CComposeWnd(const QString& strNumber, const QString& strContact = QString(), QWidget* pParent = nullptr);

    // sms:NUMBER?body=TEXT, both parts percent-encoded as UTF-8.
    static QUrl SmsUrl(const QString& strNumber, const QString& strBody);
    // The desktop's way: "xdg-open URL", which ends with a status other than
    // 0 when no program handles the link.
    static bool OpenWithDesktop(const QUrl& url);

    QLineEdit* ToEdit() const { return m_pTo; }
    QLabel* ContactLabel() const { return m_pContact; }
    QPlainTextEdit* BodyEdit() const { return m_pBody; }
    QPushButton* SendButton() const { return m_pSend; }
    QPushButton* CancelButton() const { return m_pCancel; }
    // The warning that nothing took the message, once it has been shown.
    QMessageBox* Warning() const { return m_pWarning; }

private:
    void OnSend();
    void UpdateSendButton();
    void UpdateContact();

    QString m_strNumber;
    QString m_strContact;
    QLineEdit* m_pTo = nullptr;
    QLabel* m_pContact = nullptr;
    QPlainTextEdit* m_pBody = nullptr;
    QPushButton* m_pSend = nullptr;
    QPushButton* m_pCancel = nullptr;
    QMessageBox* m_pWarning = nullptr;
};
