#include "about_dialog.h"

#include "labels.h"
#include "open_windows.h"
#include "dialog_procedure.h"
#include "resource_ids.h"
#include "window_text.h"

#include "core/about/about_texts.h"
#include "core/services/maker.h"

namespace win32 {

namespace {

// Where the About window's client area opens, in twips from the screen's
// top-left corner.
constexpr int kLeftTwips = 2340;
constexpr int kTopTwips = 1935;
constexpr int kTwipsPerPixelAt96Dpi = 15;

} // namespace

AboutDialog::AboutDialog(services::General& general, OpenWindows& windows, int major, int minor)
    : general_(general), windows_(windows), major_(major), minor_(minor)
{
}

AboutDialog::~AboutDialog()
{
    unload();
    if (hiddenOwner_ != nullptr)
        DestroyWindow(hiddenOwner_);
}

void AboutDialog::show()
{
    if (window_ != nullptr) {
        SetForegroundWindow(window_);
        BringWindowToTop(window_);
        return;
    }
    if (hiddenOwner_ == nullptr)
        hiddenOwner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), hiddenOwner_, &dialogProcedure<AboutDialog>,
                       reinterpret_cast<LPARAM>(this));
    if (window_ != nullptr)
        ShowWindow(window_, SW_SHOWNORMAL);
}

bool AboutDialog::takeDialogMessage(MSG& msg)
{
    return window_ != nullptr && IsDialogMessageW(window_, &msg);
}

void AboutDialog::unload()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
}

INT_PTR AboutDialog::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initialise();
        // The focus starts on OK.
        SetFocus(GetDlgItem(window_, IDOK));
        return FALSE;
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const auto label = reinterpret_cast<HWND>(lParam);
        return paintLabel(reinterpret_cast<HDC>(wParam),
                          label == GetDlgItem(window_, IDC_ABOUT_LBLWEB) || label == GetDlgItem(window_, IDC_LBLEMAIL));
    }
    case WM_CLOSE:
        unload();
        return TRUE;
    case WM_DESTROY:
        window_ = nullptr;
        if (linkFont_ != nullptr) {
            DeleteObject(linkFont_);
            linkFont_ = nullptr;
        }
        windows_.closed();
        return TRUE;
    default:
        return FALSE;
    }
}

void AboutDialog::initialise()
{
    windows_.opened();
    SendMessageW(window_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM))));
    setWindowText(window_, about::texts::kCaption);
    setWindowText(GetDlgItem(window_, IDC_LBLTITLE), about::texts::kTitle);
    setWindowText(GetDlgItem(window_, IDC_LBLDESCRIPTION), about::texts::kDescription);
    setWindowText(GetDlgItem(window_, IDC_LBLDISCLAIMER), about::texts::kDisclaimer);
    setWindowText(GetDlgItem(window_, IDC_ABOUT_LBLWEB), services::maker::kWebSiteUrlShown);
    setWindowText(GetDlgItem(window_, IDC_LBLEMAIL), services::maker::kMailShown);
    linkFont_ = underlineLinks(window_, {IDC_ABOUT_LBLWEB, IDC_LBLEMAIL});
    placeOnScreen();
    model_.emplace(general_, static_cast<about::AboutView&>(*this), major_, minor_);
    model_->Form_Load();
}

// Moves the window so that its client area starts at the fixed place,
// scaled for the screen's dots per inch.
void AboutDialog::placeOnScreen()
{
    const int dpi = static_cast<int>(GetDpiForWindow(window_));
    POINT client{0, 0};
    ClientToScreen(window_, &client);
    RECT frame{};
    GetWindowRect(window_, &frame);
    const int left = MulDiv(kLeftTwips / kTwipsPerPixelAt96Dpi, dpi, 96) - (client.x - frame.left);
    const int top = MulDiv(kTopTwips / kTwipsPerPixelAt96Dpi, dpi, 96) - (client.y - frame.top);
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutDialog::command(int id, int code)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        // OK, Enter while no other button has the focus, and Escape.
        model_->cmdOK_Click();
        return;
    case IDC_CMDSYSINFO:
        model_->cmdSysInfo_Click();
        return;
    case IDC_ABOUT_LBLWEB:
        if (code == STN_CLICKED)
            model_->lblweb_Click();
        return;
    case IDC_LBLEMAIL:
        if (code == STN_CLICKED)
            model_->lblEmail_Click();
        return;
    default:
        return;
    }
}

void AboutDialog::showVersion(const std::string& text)
{
    setWindowText(GetDlgItem(window_, IDC_LBLVERSION), text);
}

} // namespace win32
