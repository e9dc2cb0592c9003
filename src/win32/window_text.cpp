#include "window_text.h"

#include "core/system/win32_text.h"

namespace win32 {

std::string windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return platform::narrow(text);
}

void setWindowText(HWND window, const std::string& text)
{
    SetWindowTextW(window, platform::widen(text).c_str());
}

} // namespace win32
