#pragma once

class CWnd;

// The height of one line of the report dialogs: the text "A" measured on
// the window's device context plus 3 pixels, or 17 when it cannot be
// measured.
int GetRowHeight(const CWnd& wnd);
