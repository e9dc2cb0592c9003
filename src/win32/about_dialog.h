#pragma once

#include "core/about/about_model.h"

#include <windows.h>

#include <optional>
#include <string>

namespace win32 {

class OpenWindows;

// The program's single About window, a modeless dialog: loaded afresh
// (running Form_Load) when it is not open, brought to the front when it is,
// and unloaded by OK, Escape or its close box.
class AboutDialog final : public about::AboutView {
public:
    AboutDialog(services::General& general, OpenWindows& windows, int major, int minor);
    ~AboutDialog() override;

    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    void show();
    // The open window, or null when it is closed.
    HWND window() const { return window_; }
    bool takeDialogMessage(MSG& msg);
    void unload() override;

    // For the dialog procedure.
    void attach(HWND window) { window_ = window; }
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void initialise();
    void placeOnScreen();
    void command(int id, int code);
    void showVersion(const std::string& text) override;

    services::General& general_;
    OpenWindows& windows_;
    int major_;
    int minor_;
    // Owns the About window without being shown, so that it stays out of
    // the task bar and outlives the main window.
    HWND hiddenOwner_ = nullptr;
    HWND window_ = nullptr;
    HFONT linkFont_ = nullptr;
    std::optional<about::AboutModel> model_;
};

} // namespace win32
