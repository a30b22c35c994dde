#pragma once

// What the handles of WinDef.h stand for. Only ui/ sees these.

#include "ui/Gdi.h"
#include "ui/WinDef.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QStringView>

#include <memory>
#include <string_view>
#include <vector>

struct FontObject {
    LOGFONTW logFont;
    QFont font;
};

struct BrushObject {
    COLORREF crColor;
};

struct DeviceContext {
    QWidget* pWidget = nullptr;
    QFont font;
    COLORREF crText = RGB(0, 0, 0);
    COLORREF crBk = RGB(255, 255, 255);
};

// An icon resource: its drawing, rendered at every size it holds, and at
// other sizes on request.
struct IconObject {
    UINT nId = 0;
    QString strPath;
    QIcon icon;
    QPixmap Pixmap(int cx, int cy) const;
};

struct ImageListObject : std::enable_shared_from_this<ImageListObject> {
    int cx = 0;
    int cy = 0;
    UINT nFlags = 0;
    int nGrow = 1;
    std::vector<QPixmap> images;
};

QColor ColorFromColorRef(COLORREF cr);
// Window class names compare without regard to letter case.
bool SameClassName(const wchar_t* pszA, const wchar_t* pszB);
QFont FontFromLogFont(const LOGFONTW& lf);
// The brush a dialog paints its background and its static controls with.
HBRUSH DialogBackgroundBrush();
// The live image list behind a handle, or null.
std::shared_ptr<ImageListObject> ImageListFromHandle(HIMAGELIST himl);

// A wide text as UTF-16 with no spare capacity; nLength < 0 reads up to the
// terminating zero. A value that is no Unicode character becomes U+FFFD.
QString QStringFromWide(const wchar_t* pszText, std::ptrdiff_t nLength = -1);
