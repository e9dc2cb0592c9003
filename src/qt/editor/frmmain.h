#pragma once

#include "qt/editor/common_dialog.h"
#include "core/editor/editor_model.h"
#include "core/editor/editor_view.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>

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
}

// The program's main window, the editor of the browser's custom toolbar
// buttons, drawn with Qt over the editor model that decides what each
// handler does. Its controls are public under their own names.
class frmMain final : public QMainWindow, public editor::EditorView {
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

    about::AboutWindow& about_;
    editor::EditorModel model_;
};
