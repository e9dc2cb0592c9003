#include "labels.h"

namespace win32 {

HFONT underlineLinks(HWND dialog, std::initializer_list<int> labels)
{
    LOGFONTW face{};
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof face, &face) == 0)
        return nullptr;
    face.lfUnderline = TRUE;
    HFONT underlined = CreateFontIndirectW(&face);
    if (underlined == nullptr)
        return nullptr;
    for (const int label : labels)
        SendDlgItemMessageW(dialog, label, WM_SETFONT, reinterpret_cast<WPARAM>(underlined), FALSE);
    return underlined;
}

INT_PTR paintLabel(HDC dc, bool link)
{
    SetTextColor(dc, link ? RGB(0, 0, 255) : GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace win32
