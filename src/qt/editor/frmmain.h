#pragma once

#include "qt/editor/common_dialog.h"
#include "core/registry/registry.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace about {
class AboutWindow;
class DrawnLine;
class LinkLabel;
} // namespace about

namespace platform {
class FileDialogs;
}

namespace services {
class General;
struct ButtonFields;
struct ListedButton;
} // namespace services

// The program's main window and the whole editor of the browser's custom
// toolbar buttons. Its controls are public under their own names, as the
// handlers address them.
class frmMain final : public QMainWindow {
    Q_OBJECT

public:
    frmMain(services::General& general, platform::FileDialogs& files, about::AboutWindow& about,
            QWidget* parent = nullptr);
    ~frmMain() override;

    QComboBox* cmbButtons = nullptr;
    about::DrawnLine* Line1 = nullptr;
    QLabel* lblButtonText = nullptr;
    QLineEdit* txtButtonText = nullptr;
    QLabel* lblExec = nullptr;
    QLineEdit* txtExec = nullptr;
    QPushButton* cmdExecBrowse = nullptr;
    QLabel* lblIcon = nullptr;
    QLineEdit* txtIcon = nullptr;
    QPushButton* cmdIconBrowse = nullptr;
    QLabel* lblHotIcon = nullptr;
    QLineEdit* txtMO = nullptr;
    QPushButton* cmdMOBrowse = nullptr;
    QLabel* lblStatusBar = nullptr;
    QLineEdit* txtStatusBar = nullptr;
    QLabel* lblMenuText = nullptr;
    QLineEdit* txtToolsMenu = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdExit = nullptr;
    about::LinkLabel* lblweb = nullptr;
    QAction* mnuAbout = nullptr;
    // Never shown, so kept outside the window's widget tree: screen readers
    // and the focus chain never meet them.
    std::unique_ptr<QLineEdit> txtFix;
    std::unique_ptr<QComboBox> cmbCLS;
    editor::CommonDialog cd1;

public slots:
    void Form_Load();
    // Appends one entry per listed button key below rootKey (a root handle
    // as signed decimal text) and subKeyPath to cmbButtons and cmbCLS.
    void ListButtons(const QString& rootKey, const QString& subKeyPath);
    void cmbButtons_Click();
    void LoadSelectedButton();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdExecBrowse_Click();
    void cmdIconBrowse_Click();
    void cmdMOBrowse_Click();
    void cmdExit_Click();
    void lblweb_Click();
    void mnuAbout_Click();

private:
    void buildWindow();
    void buildControls(QWidget& client);
    void chainTabOrder();
    void connectHandlers();

    // The six editor fields in the order of the window.
    std::array<QLineEdit*, 6> editorFields() const;
    services::ButtonFields typedFields() const;
    void clearEditorFields();

    // Appends "Create New..." and the listed buttons to the emptied lists,
    // then shows the prompt with no entry selected.
    void fillLists(platform::HKEY root);
    // After a save or delete of the button changedKey: empty fields, and the
    // lists as the registry holds them now. Only that button's text is read
    // again, unless another process saved since the lists were filled.
    void resetEditor(platform::HKEY root, const std::string& changedKey);
    void showListed(const std::optional<std::vector<services::ListedButton>>& listed);
    std::vector<services::ListedButton> listedButtons() const;
    // The selected button's key name; nothing when no button entry is
    // selected (the user typed over the list's text, or the create entry).
    std::optional<std::string> selectedKeyName() const;

    void browseInto(QLineEdit& field, const char* title, const char* filter);
    void tell(const std::string& text, const std::string& title);
    void tell(const std::string& text);

    services::General& general_;
    about::AboutWindow& about_;
    // The registry's count of outside changes when the lists were filled.
    std::optional<std::uint64_t> listedAt_;
};
