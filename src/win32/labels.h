#pragma once

#include <windows.h>

#include <initializer_list>

// How the windows draw their labels and links.
namespace win32 {

// The dialog's font, underlined, set on each of the labels; the caller
// deletes it when the window goes.
HFONT underlineLinks(HWND dialog, std::initializer_list<int> labels);

// Labels' text on the dialog's face colour, for WM_CTLCOLORSTATIC: blue for
// a link, the window-text colour otherwise.
INT_PTR paintLabel(HDC dc, bool link);

} // namespace win32
