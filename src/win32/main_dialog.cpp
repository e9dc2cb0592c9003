#include "main_dialog.h"

#include "about_dialog.h"
#include "labels.h"
#include "open_windows.h"
#include "dialog_procedure.h"
#include "resource_ids.h"
#include "window_text.h"

#include "core/editor/file_filter.h"
#include "core/services/maker.h"
#include "core/system/dialogs.h"
#include "core/system/win32_text.h"

#include <array>

namespace win32 {

namespace {

// The six editor fields in the order of the window.
constexpr std::array<int, 6> kFieldIds = {IDC_TXTBUTTONTEXT, IDC_TXTEXEC,      IDC_TXTICON,
                                          IDC_TXTMO,         IDC_TXTSTATUSBAR, IDC_TXTTOOLSMENU};

} // namespace

MainDialog::MainDialog(services::General& general, platform::FileDialogs& files, AboutDialog& about,
                       OpenWindows& windows)
    : files_(files), about_(about), windows_(windows), model_(general, *this)
{
}

MainDialog::~MainDialog()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
    if (linkFont_ != nullptr)
        DeleteObject(linkFont_);
}

HWND MainDialog::create()
{
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, &dialogProcedure<MainDialog>,
                       reinterpret_cast<LPARAM>(this));
    return window_;
}

bool MainDialog::takeDialogMessage(MSG& msg)
{
    return window_ != nullptr && IsDialogMessageW(window_, &msg);
}

INT_PTR MainDialog::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initialise();
        return TRUE;
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return paintLabel(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam) == control(IDC_LBLWEB));
    case WM_CLOSE:
        // The close box closes this window alone; an open About window stays.
        DestroyWindow(window_);
        return TRUE;
    case WM_DESTROY:
        window_ = nullptr;
        windows_.closed();
        return TRUE;
    default:
        return FALSE;
    }
}

void MainDialog::initialise()
{
    windows_.opened();
    SendMessageW(window_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM))));
    setWindowText(control(IDC_TXTFIX), "Text1");
    setWindowText(control(IDC_CMBCLS), "Combo1");
    setWindowText(control(IDC_LBLWEB), services::maker::kWebSiteShown);
    linkFont_ = underlineLinks(window_, {IDC_LBLWEB});
    model_.Form_Load();
}

void MainDialog::command(int id, int code)
{
    switch (id) {
    case IDC_CMBBUTTONS:
        if (code == CBN_SELCHANGE) {
            // The text area shows the chosen entry before the handler reads it.
            const auto index = SendMessageW(control(IDC_CMBBUTTONS), CB_GETCURSEL, 0, 0);
            std::wstring entry(static_cast<std::size_t>(
                                   SendMessageW(control(IDC_CMBBUTTONS), CB_GETLBTEXTLEN, index, 0) + 1),
                               L'\0');
            SendMessageW(control(IDC_CMBBUTTONS), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
            setChooserText(platform::narrow(entry.c_str()));
            model_.cmbButtons_Click();
        } else if (code == CBN_EDITCHANGE && !settingChooserText_) {
            keepTypedTextUnselected();
        }
        return;
    case IDC_CMDSAVE:
        model_.cmdSave_Click();
        return;
    case IDC_CMDDELETE:
        model_.cmdDelete_Click();
        return;
    case IDC_CMDEXECBROWSE:
        model_.cmdExecBrowse_Click();
        return;
    case IDC_CMDICONBROWSE:
        model_.cmdIconBrowse_Click();
        return;
    case IDC_CMDMOBROWSE:
        model_.cmdMOBrowse_Click();
        return;
    case IDC_CMDEXIT:
        cmdExit_Click();
        return;
    case IDC_LBLWEB:
        if (code == STN_CLICKED)
            model_.lblweb_Click();
        return;
    case IDM_ABOUT:
        about_.show();
        return;
    default:
        // Enter and Escape (IDOK, IDCANCEL) press no button here.
        return;
    }
}

// Typing over a chosen entry leaves no entry selected and keeps the typed
// text where the caret was.
void MainDialog::keepTypedTextUnselected()
{
    const HWND chooser = control(IDC_CMBBUTTONS);
    if (SendMessageW(chooser, CB_GETCURSEL, 0, 0) == CB_ERR)
        return;
    const std::string typed = windowText(chooser);
    const LRESULT caret = SendMessageW(chooser, CB_GETEDITSEL, 0, 0);
    showUnselected(typed);
    SendMessageW(chooser, CB_SETEDITSEL, 0, MAKELPARAM(HIWORD(caret), HIWORD(caret)));
}

// Ends the program at once, taking the About window with it.
void MainDialog::cmdExit_Click()
{
    about_.unload();
    DestroyWindow(window_);
    PostQuitMessage(0);
}

std::string MainDialog::chooserText() const
{
    return windowText(control(IDC_CMBBUTTONS));
}

int MainDialog::chooserIndex() const
{
    return static_cast<int>(SendMessageW(control(IDC_CMBBUTTONS), CB_GETCURSEL, 0, 0));
}

void MainDialog::clearChooser()
{
    SendMessageW(control(IDC_CMBBUTTONS), CB_RESETCONTENT, 0, 0);
    SendMessageW(control(IDC_CMBCLS), CB_RESETCONTENT, 0, 0);
}

void MainDialog::appendChoices(const std::vector<services::ListedButton>& entries)
{
    const HWND texts = control(IDC_CMBBUTTONS);
    const HWND keyNames = control(IDC_CMBCLS);
    // Entries after the create entry are listed buttons; the scratch field
    // holds the last of their texts, as after the whole list passed through it.
    if (!entries.empty() && SendMessageW(texts, CB_GETCOUNT, 0, 0) > 0)
        setWindowText(control(IDC_TXTFIX), entries.back().text);
    for (const services::ListedButton& entry : entries) {
        SendMessageW(texts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::widen(entry.text).c_str()));
        SendMessageW(keyNames, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::widen(entry.keyName).c_str()));
    }
}

void MainDialog::showUnselected(const std::string& text)
{
    SendMessageW(control(IDC_CMBBUTTONS), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    setChooserText(text);
}

// Text set here is not the user's typing.
void MainDialog::setChooserText(const std::string& text)
{
    settingChooserText_ = true;
    setWindowText(control(IDC_CMBBUTTONS), text);
    settingChooserText_ = false;
}

services::ButtonFields MainDialog::fields() const
{
    services::ButtonFields typed;
    for (std::size_t i = 0; i < kFieldIds.size(); ++i)
        typed.*services::kFieldValues[i].field = windowText(control(kFieldIds[i]));
    return typed;
}

void MainDialog::setFields(const services::ButtonFields& shown)
{
    for (std::size_t i = 0; i < kFieldIds.size(); ++i)
        setWindowText(control(kFieldIds[i]), shown.*services::kFieldValues[i].field);
}

void MainDialog::setField(std::string services::ButtonFields::*field, const std::string& text)
{
    for (std::size_t i = 0; i < kFieldIds.size(); ++i) {
        if (services::kFieldValues[i].field == field)
            setWindowText(control(kFieldIds[i]), text);
    }
}

void MainDialog::enableSave(bool enabled)
{
    EnableWindow(control(IDC_CMDSAVE), enabled);
}

void MainDialog::enableDelete(bool enabled)
{
    EnableWindow(control(IDC_CMDDELETE), enabled);
}

std::string MainDialog::pickFile(const std::string& title, const std::string& filter)
{
    return files_.getOpenFileName({title, editor::parseFilterText(filter)}).value_or(std::string());
}

} // namespace win32
