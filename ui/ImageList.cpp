#include "ui/ImageList.h"

#include "resources/ResourceTypes.h"
#include "ui/Module.h"
#include "ui/UiObjects.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <map>
#include <unordered_map>

namespace {

// The handle tables outlive every user but not the application object:
// pixmaps must go before the application's graphics do.
template <typename T> T& PostRoutineCleared()
{
    static T* s_pTable = [] {
        T* pTable = new T;
        qAddPostRoutine([] { PostRoutineCleared<T>().clear(); });
        return pTable;
    }();
    return *s_pTable;
}

using ImageListTable = std::unordered_map<ImageListObject*, std::shared_ptr<ImageListObject>>;
using IconTable = std::map<UINT, std::unique_ptr<IconObject>>;

ImageListTable& ImageLists()
{
    return PostRoutineCleared<ImageListTable>();
}

IconTable& Icons()
{
    return PostRoutineCleared<IconTable>();
}

std::unordered_map<HIMAGELIST, CImageList*>& Owners()
{
    static std::unordered_map<HIMAGELIST, CImageList*> s_owners;
    return s_owners;
}

QPixmap RenderSvg(const QString& strPath, int cx, int cy)
{
    QSvgRenderer renderer(strPath);
    if (!renderer.isValid())
        return {};
    QImage image(cx, cy, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

QPixmap IconObject::Pixmap(int cx, int cy) const
{
    if (cx == cy) {
        for (const QSize& size : icon.availableSizes()) {
            if (size.width() == cx && size.height() == cy)
                return icon.pixmap(size, 1.0);
        }
    }
    return RenderSvg(strPath, cx, cy);
}

std::shared_ptr<ImageListObject> ImageListFromHandle(HIMAGELIST himl)
{
    auto it = ImageLists().find(himl);
    return it == ImageLists().end() ? nullptr : it->second;
}

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow)
{
    if (cx <= 0 || cy <= 0 || cInitial < 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto pList = std::make_shared<ImageListObject>();
    pList->cx = cx;
    pList->cy = cy;
    pList->nFlags = flags;
    pList->nGrow = cGrow > 0 ? cGrow : 1;
    pList->images.reserve(static_cast<size_t>(cInitial));
    HIMAGELIST himl = pList.get();
    ImageLists().emplace(himl, std::move(pList));
    return himl;
}

BOOL ImageList_Destroy(HIMAGELIST himl)
{
    return ImageLists().erase(himl) ? TRUE : FALSE;
}

int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon)
{
    std::shared_ptr<ImageListObject> pList = ImageListFromHandle(himl);
    if (!pList || !hicon || i < -1 || i >= static_cast<int>(pList->images.size()))
        return -1;
    QPixmap pixmap = hicon->Pixmap(pList->cx, pList->cy);
    if (pixmap.isNull())
        return -1;
    if (!(pList->nFlags & ILC_MASK)) {
        // Without a mask the transparent parts take the list's background.
        QPixmap opaque(pixmap.size());
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawPixmap(0, 0, pixmap);
        painter.end();
        pixmap = opaque;
    }
    if (i >= 0) {
        pList->images[static_cast<size_t>(i)] = pixmap;
        return i;
    }
    if (pList->images.size() == pList->images.capacity())
        pList->images.reserve(pList->images.size() + static_cast<size_t>(pList->nGrow));
    pList->images.push_back(pixmap);
    return static_cast<int>(pList->images.size()) - 1;
}

int ImageList_GetImageCount(HIMAGELIST himl)
{
    std::shared_ptr<ImageListObject> pList = ImageListFromHandle(himl);
    return pList ? static_cast<int>(pList->images.size()) : 0;
}

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName)
{
    if ((hInstance && hInstance != GetModuleHandleW(nullptr)) || !IS_INTRESOURCE(lpIconName) ||
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    UINT nId = static_cast<UINT>(reinterpret_cast<uintptr_t>(lpIconName));
    auto it = Icons().find(nId);
    if (it != Icons().end())
        return it->second.get();
    InitResources();
    const char* pszPath = FindIconResource(nId);
    if (!pszPath)
        return nullptr;
    auto pIcon = std::make_unique<IconObject>();
    pIcon->nId = nId;
    pIcon->strPath = QString::fromUtf8(pszPath);
    for (int nSize : IconResourceSizes(nId)) {
        QPixmap pixmap = RenderSvg(pIcon->strPath, nSize, nSize);
        if (pixmap.isNull())
            return nullptr;
        pIcon->icon.addPixmap(pixmap);
    }
    HICON hIcon = pIcon.get();
    Icons().emplace(nId, std::move(pIcon));
    return hIcon;
}

BOOL DestroyIcon(HICON)
{
    return TRUE;
}

CImageList::~CImageList()
{
    DeleteImageList();
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    if (m_hImageList)
        return FALSE;
    m_hImageList = ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
    if (!m_hImageList)
        return FALSE;
    Owners()[m_hImageList] = this;
    return TRUE;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return FALSE;
    Owners().erase(m_hImageList);
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

int CImageList::Add(HICON hIcon)
{
    return ImageList_ReplaceIcon(m_hImageList, -1, hIcon);
}

int CImageList::Replace(int nImage, HICON hIcon)
{
    return ImageList_ReplaceIcon(m_hImageList, nImage, hIcon);
}

int CImageList::GetImageCount() const
{
    return ImageList_GetImageCount(m_hImageList);
}

CImageList* CImageList::FromHandle(HIMAGELIST himl)
{
    auto it = Owners().find(himl);
    return it == Owners().end() ? nullptr : it->second;
}
