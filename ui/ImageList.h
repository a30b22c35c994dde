#pragma once

// Image lists and icon resources under the platform's names.

#include "ui/WinDef.h"

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLOR32 = 0x0020;

// An image list of cx x cy images; with ILC_MASK the transparent parts of an
// icon stay transparent. It holds cInitial images before it first grows,
// then grows by cGrow at a time.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
BOOL ImageList_Destroy(HIMAGELIST himl);
// Replaces image i with the icon, or appends it when i is -1. Returns the
// image's index, or -1 on failure.
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon);
int ImageList_GetImageCount(HIMAGELIST himl);

// An icon resource of the program, by number (MAKEINTRESOURCEW). Icons are
// shared and live for the rest of the run; nullptr when there is no such
// icon. The program's instance handle and a null one both name the program.
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
// Shared icons are not destroyed; returns TRUE as the platform does.
BOOL DestroyIcon(HICON hIcon);

class CImageList
{
public:
    CImageList() = default;
    ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL DeleteImageList();
    int Add(HICON hIcon);
    int Replace(int nImage, HICON hIcon);
    int GetImageCount() const;
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    // The object that owns an image list handle, or nullptr.
    static CImageList* FromHandle(HIMAGELIST himl);

    HIMAGELIST m_hImageList = nullptr;
};
