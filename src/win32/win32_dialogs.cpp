#include "win32_dialogs.h"

#include "core/system/win32_text.h"

#include <windows.h>

#include <commdlg.h>

#include <vector>

namespace win32 {

using platform::narrow;
using platform::widen;

platform::MessageAnswer Win32MessageBoxes::show(const platform::MessageRequest& request)
{
    // No icon: the boxes carry their text and buttons alone.
    UINT style = MB_OK;
    if (request.buttons == platform::MessageButtons::YesNo)
        style = MB_YESNO | (request.defaultButton == platform::MessageAnswer::No ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
    const int answer =
        MessageBoxW(GetActiveWindow(), widen(request.text).c_str(), widen(request.title).c_str(), style | MB_TASKMODAL);
    if (request.buttons == platform::MessageButtons::Ok)
        return platform::MessageAnswer::Ok;
    return answer == IDYES ? platform::MessageAnswer::Yes : platform::MessageAnswer::No;
}

namespace {

// "description\0patterns\0...\0\0", patterns separated by ";".
std::wstring filterPairs(const std::vector<platform::FileFilter>& filters)
{
    std::wstring pairs;
    for (const platform::FileFilter& filter : filters) {
        pairs += widen(filter.description);
        pairs += L'\0';
        for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
            if (i > 0)
                pairs += L';';
            pairs += widen(filter.patterns[i]);
        }
        pairs += L'\0';
    }
    pairs += L'\0';
    return pairs;
}

} // namespace

std::optional<std::string> Win32FileDialogs::getOpenFileName(const platform::OpenFileRequest& request)
{
    const std::wstring filter = filterPairs(request.filters);
    const std::wstring title = widen(request.title);
    // Long paths fit: the dialog reports a name that does not as a failure.
    std::vector<wchar_t> fileName(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = static_cast<DWORD>(fileName.size());
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    return narrow(fileName.data());
}

} // namespace win32
