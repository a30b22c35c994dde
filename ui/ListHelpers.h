#pragma once

// The look every list of the program shares: icons appended to an image
// list, and the list font.

#include "ui/WinDef.h"

// Appends the icon as the next image of the list; returns its index, or -1
// when it cannot be appended.
int AppendIcon(HIMAGELIST himl, HICON hIcon);
// Gives the control a new Tahoma font, as high as the default font's "A"
// (16 when that cannot be measured) plus nExtraHeight, and redraws it.
void SetControlFont(HWND hWnd, int nExtraHeight);

// Test seam: forgets the lookup AppendIcon makes on its first use, so that a
// test can repeat it under other conditions.
void ResetAppendIconLookup();
