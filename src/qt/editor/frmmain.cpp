#include "qt/editor/frmmain.h"

#include "qt/about/about_window.h"
#include "qt/editor/button_chooser.h"
#include "qt/editor/editor_texts.h"
#include "resources/version.h"
#include "core/services/button_layout.h"
#include "core/services/button_record.h"
#include "core/services/button_store.h"
#include "core/services/general.h"
#include "qt/widgets/link_label.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace texts = editor::texts;

frmMain::frmMain(services::General& general, platform::FileDialogs& files, about::AboutWindow& about, QWidget* parent)
    : QMainWindow(parent), cd1(files), general_(general), about_(about)
{
    buildWindow();
    connectHandlers();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
    fillLists(services::General::RootKeyFromName(services::buttons::kRootName));
}

void frmMain::fillLists(platform::HKEY root)
{
    listedAt_ = general_.registry().outsideChanges();
    cmbButtons->addItem(QString::fromUtf8(texts::kCreateNew));
    cmbCLS->addItem(QString::fromUtf8(texts::kCreateNew));
    ListButtons(QString::number(static_cast<std::int32_t>(root)),
                QString::fromUtf8(services::buttons::kExtensionsPath));
    // Adding the first entry selected it; nothing is chosen until the user picks.
    editor::showUnselectedText(*cmbButtons, QString::fromUtf8(texts::kPrompt));
}

void frmMain::resetEditor(platform::HKEY root, const std::string& changedKey)
{
    const auto outside = general_.registry().outsideChanges();
    const bool listCurrent = outside && outside == listedAt_;
    const std::vector<services::ListedButton> previous =
        listCurrent ? listedButtons() : std::vector<services::ListedButton>{};
    cmbButtons->clear();
    cmbCLS->clear();
    clearEditorFields();
    cmdSave->setEnabled(false);
    cmdDelete->setEnabled(false);
    if (!listCurrent) {
        fillLists(root);
        return;
    }
    cmbButtons->addItem(QString::fromUtf8(texts::kCreateNew));
    cmbCLS->addItem(QString::fromUtf8(texts::kCreateNew));
    showListed(
        services::listButtonsAfterChange(general_, root, services::buttons::kExtensionsPath, previous, changedKey));
    editor::showUnselectedText(*cmbButtons, QString::fromUtf8(texts::kPrompt));
}

// The listed buttons as the lists show them, after the create entry.
std::vector<services::ListedButton> frmMain::listedButtons() const
{
    std::vector<services::ListedButton> listed;
    listed.reserve(static_cast<std::size_t>(cmbCLS->count()));
    for (int i = 1; i < cmbCLS->count() && i < cmbButtons->count(); ++i)
        listed.push_back({cmbCLS->itemText(i).toStdString(), cmbButtons->itemText(i).toStdString()});
    return listed;
}

std::array<QLineEdit*, 6> frmMain::editorFields() const
{
    return {txtButtonText, txtExec, txtIcon, txtMO, txtStatusBar, txtToolsMenu};
}

services::ButtonFields frmMain::typedFields() const
{
    return {txtButtonText->text().toStdString(), txtExec->text().toStdString(),
            txtIcon->text().toStdString(),       txtMO->text().toStdString(),
            txtStatusBar->text().toStdString(),  txtToolsMenu->text().toStdString()};
}

void frmMain::clearEditorFields()
{
    for (QLineEdit* field : editorFields())
        field->clear();
}

std::optional<std::string> frmMain::selectedKeyName() const
{
    const int index = cmbButtons->currentIndex();
    if (index <= 0 || index >= cmbCLS->count())
        return std::nullopt;
    return cmbCLS->itemText(index).toStdString();
}

void frmMain::cmdExit_Click()
{
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void frmMain::lblweb_Click()
{
    general_.OpenWebPage();
}

void frmMain::mnuAbout_Click()
{
    about_.show();
}

void frmMain::cmdExecBrowse_Click()
{
    browseInto(*txtExec, texts::kExecPickerTitle, texts::kExecutableFilter);
}

void frmMain::cmdIconBrowse_Click()
{
    browseInto(*txtIcon, texts::kIconPickerTitle, texts::kIconFilter);
}

void frmMain::cmdMOBrowse_Click()
{
    browseInto(*txtMO, texts::kHotIconPickerTitle, texts::kIconFilter);
}

void frmMain::browseInto(QLineEdit& field, const char* title, const char* filter)
{
    // The dialog always opens with an empty file name box; a cancel leaves
    // FileName empty and the field as it was.
    cd1.FileName.clear();
    cd1.DialogTitle = QString::fromUtf8(title);
    cd1.Filter = QString::fromUtf8(filter);
    cd1.ShowOpen();
    if (!cd1.FileName.isEmpty())
        field.setText(cd1.FileName);
}

void frmMain::tell(const std::string& text, const std::string& title)
{
    general_.messages().show({text, title, platform::MessageButtons::Ok, platform::MessageAnswer::Ok});
}

void frmMain::tell(const std::string& text)
{
    tell(text, resources::kProgramTitle);
}

void frmMain::connectHandlers()
{
    connect(cmbButtons, &QComboBox::activated, this, &frmMain::cmbButtons_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Click);
    connect(cmdExecBrowse, &QPushButton::clicked, this, &frmMain::cmdExecBrowse_Click);
    connect(cmdIconBrowse, &QPushButton::clicked, this, &frmMain::cmdIconBrowse_Click);
    connect(cmdMOBrowse, &QPushButton::clicked, this, &frmMain::cmdMOBrowse_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(lblweb, &about::LinkLabel::clicked, this, &frmMain::lblweb_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}
