#pragma once

#include <windows.h>

#include <string>

// A window's or control's text as the core's UTF-8, converted at the edge.
namespace win32 {

std::string windowText(HWND window);
void setWindowText(HWND window, const std::string& text);

} // namespace win32
