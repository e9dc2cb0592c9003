#pragma once

#include "core/editor/editor_model.h"
#include "core/editor/editor_view.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform {
class FileDialogs;
}

namespace win32 {

class AboutDialog;
class OpenWindows;

// The main window frmMain as a modeless dialog: layout from the resource
// script, behaviour from the editor model, wiring here.
class MainDialog final : public editor::EditorView {
public:
    MainDialog(services::General& general, platform::FileDialogs& files, AboutDialog& about, OpenWindows& windows);
    ~MainDialog() override;

    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Creates the window, which lists the buttons (Form_Load) before it is
    // shown; null when it cannot be created.
    HWND create();
    HWND window() const { return window_; }
    // Whether msg was a keyboard message for this window, and handled.
    bool takeDialogMessage(MSG& msg);

    // For the dialog procedure.
    void attach(HWND window) { window_ = window; }
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void initialise();
    void command(int id, int code);
    void keepTypedTextUnselected();
    void setChooserText(const std::string& text);
    void cmdExit_Click();
    HWND control(int id) const { return GetDlgItem(window_, id); }

    std::string chooserText() const override;
    int chooserIndex() const override;
    void clearChooser() override;
    void appendChoices(const std::vector<services::ListedButton>& entries) override;
    void showUnselected(const std::string& text) override;
    services::ButtonFields fields() const override;
    void setFields(const services::ButtonFields& fields) override;
    void setField(std::string services::ButtonFields::*field, const std::string& text) override;
    void enableSave(bool enabled) override;
    void enableDelete(bool enabled) override;
    std::string pickFile(const std::string& title, const std::string& filter) override;

    platform::FileDialogs& files_;
    AboutDialog& about_;
    OpenWindows& windows_;
    editor::EditorModel model_;
    HWND window_ = nullptr;
    HFONT linkFont_ = nullptr;
    bool settingChooserText_ = false;
};

} // namespace win32
