#pragma once

#include <windows.h>

namespace win32 {

// The dialog procedure of a window object: the object rides in the creation
// parameter, is kept with the window, and handles every message after it.
// Dialog has attach(HWND), called first, and INT_PTR handle(UINT, WPARAM, LPARAM).
template <typename Dialog> INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->attach(window);
    }
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    return self != nullptr ? self->handle(message, wParam, lParam) : FALSE;
}

} // namespace win32
