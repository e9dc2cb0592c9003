#include "window_driver.h"

#include "core/system/win32_text.h"

#include <vector>

namespace win32_test {

void pumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const HWND dialog = GetAncestor(msg.hwnd, GA_ROOT);
        if (dialog != nullptr && IsDialogMessageW(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::string controlText(HWND dialog, int id)
{
    const HWND control = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return platform::narrow(text);
}

bool isEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void pick(HWND dialog, int comboId, int index)
{
    const HWND combo = GetDlgItem(dialog, comboId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // The combo box tells its window of a choice made in its list.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    pumpMessages();
}

void type(HWND dialog, int editId, const std::string& text)
{
    const HWND edit = GetDlgItem(dialog, editId);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CLEAR, 0, 0);
    for (const wchar_t character : platform::widen(text))
        SendMessageW(edit, WM_CHAR, character, 1);
    pumpMessages();
}

void click(HWND dialog, int buttonId)
{
    SendMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
    pumpMessages();
}

void press(WORD key, bool alt)
{
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD code, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (alt)
        add(VK_MENU, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (alt)
        add(VK_MENU, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    pumpMessages();
}

} // namespace win32_test
