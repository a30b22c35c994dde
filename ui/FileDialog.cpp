#include "ui/FileDialog.h"

#include "ui/Dialog.h"
#include "ui/DialogObservers.h"
#include "ui/UiObjects.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>

namespace {

QWidget* OwnerOf(HWND hWnd)
{
    if (hWnd)
        return hWnd->window();
    CDialog* pActive = CDialog::GetActiveDialog();
    return pActive ? pActive->GetFrameWindow() : nullptr;
}

} // namespace

BOOL ChooseFiles(HWND hWnd, LPCWSTR lpTitle, LPCWSTR lpFilter, bool bMultiple, std::vector<std::wstring>* pFiles)
{
    pFiles->clear();
    if (NotifyFileDialog(lpTitle, pFiles))
        return pFiles->empty() ? FALSE : TRUE;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return FALSE;
    QString strTitle = QStringFromWide(lpTitle);
    QString strFilter = QStringFromWide(lpFilter);
    QStringList chosen;
    if (bMultiple) {
        chosen = QFileDialog::getOpenFileNames(OwnerOf(hWnd), strTitle, QString(), strFilter);
    } else if (QString strFile = QFileDialog::getOpenFileName(OwnerOf(hWnd), strTitle, QString(), strFilter);
               !strFile.isEmpty()) {
        chosen << strFile;
    }
    for (const QString& strFile : chosen)
        pFiles->push_back(strFile.toStdWString());
    return pFiles->empty() ? FALSE : TRUE;
}

BOOL ChooseSaveFile(HWND hWnd, LPCWSTR lpTitle, LPCWSTR lpFilter, std::wstring* pFile)
{
    pFile->clear();
    std::vector<std::wstring> files;
    if (NotifyFileDialog(lpTitle, &files)) {
        if (!files.empty())
            *pFile = files.front();
        return pFile->empty() ? FALSE : TRUE;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return FALSE;
    *pFile = QFileDialog::getSaveFileName(OwnerOf(hWnd), QStringFromWide(lpTitle), QString(), QStringFromWide(lpFilter))
                 .toStdWString();
    return pFile->empty() ? FALSE : TRUE;
}

struct CProgressNote::Impl {
    std::unique_ptr<QProgressDialog> pDialog;
};

CProgressNote::CProgressNote(HWND hWnd, LPCWSTR lpText)
    : m_pImpl(std::make_unique<Impl>())
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // A busy bar without a cancel button: the work cannot be stopped half
    // way, and shows only when it takes more than a moment.
    m_pImpl->pDialog = std::make_unique<QProgressDialog>(QStringFromWide(lpText), QString(), 0, 0, OwnerOf(hWnd));
    m_pImpl->pDialog->setWindowModality(Qt::ApplicationModal);
    m_pImpl->pDialog->setMinimumDuration(400);
    m_pImpl->pDialog->setValue(0);
}

CProgressNote::~CProgressNote() = default;
