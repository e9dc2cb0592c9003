#include "qt/editor/frmmain.h"

#include "qt/about/about_window.h"
#include "qt/editor/button_chooser.h"
#include "core/services/button_record.h"
#include "qt/widgets/link_label.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

frmMain::frmMain(services::General& general, platform::FileDialogs& files, about::AboutWindow& about, QWidget* parent)
    : QMainWindow(parent), cd1(files), about_(about), model_(general, *this)
{
    buildWindow();
    connectHandlers();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
    model_.Form_Load();
}

void frmMain::ListButtons(const QString& rootKey, const QString& subKeyPath)
{
    model_.ListButtons(rootKey.toStdString(), subKeyPath.toStdString());
}

void frmMain::cmbButtons_Click()
{
    model_.cmbButtons_Click();
}

void frmMain::LoadSelectedButton()
{
    model_.LoadSelectedButton();
}

void frmMain::cmdSave_Click()
{
    model_.cmdSave_Click();
}

void frmMain::cmdDelete_Click()
{
    model_.cmdDelete_Click();
}

void frmMain::cmdExecBrowse_Click()
{
    model_.cmdExecBrowse_Click();
}

void frmMain::cmdIconBrowse_Click()
{
    model_.cmdIconBrowse_Click();
}

void frmMain::cmdMOBrowse_Click()
{
    model_.cmdMOBrowse_Click();
}

void frmMain::cmdExit_Click()
{
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void frmMain::lblweb_Click()
{
    model_.lblweb_Click();
}

void frmMain::mnuAbout_Click()
{
    about_.show();
}

std::array<QLineEdit*, 6> frmMain::editorFields() const
{
    return {txtButtonText, txtExec, txtIcon, txtMO, txtStatusBar, txtToolsMenu};
}

std::string frmMain::chooserText() const
{
    return cmbButtons->currentText().toStdString();
}

int frmMain::chooserIndex() const
{
    return cmbButtons->currentIndex();
}

void frmMain::clearChooser()
{
    cmbButtons->clear();
    cmbCLS->clear();
}

void frmMain::appendChoices(const std::vector<services::ListedButton>& entries)
{
    QStringList texts;
    QStringList keyNames;
    texts.reserve(static_cast<qsizetype>(entries.size()));
    keyNames.reserve(static_cast<qsizetype>(entries.size()));
    for (const services::ListedButton& entry : entries) {
        texts.append(QString::fromStdString(entry.text));
        keyNames.append(QString::fromStdString(entry.keyName));
    }
    // Entries after the create entry are listed buttons. The listing already
    // cut each text at its first zero character, as the scratch field would;
    // it is given only the last one, which it would hold after the whole
    // list had passed through it.
    if (!entries.empty() && cmbButtons->count() > 0)
        txtFix->setText(texts.back());
    editor::appendChoices(*cmbButtons, texts);
    editor::appendChoices(*cmbCLS, keyNames);
}

void frmMain::showUnselected(const std::string& text)
{
    editor::showUnselectedText(*cmbButtons, QString::fromStdString(text));
}

services::ButtonFields frmMain::fields() const
{
    services::ButtonFields typed;
    const std::array<QLineEdit*, 6> boxes = editorFields();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        typed.*services::kFieldValues[i].field = boxes[i]->text().toStdString();
    return typed;
}

void frmMain::setFields(const services::ButtonFields& shown)
{
    const std::array<QLineEdit*, 6> boxes = editorFields();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setText(QString::fromStdString(shown.*services::kFieldValues[i].field));
}

void frmMain::setField(std::string services::ButtonFields::*field, const std::string& text)
{
    const std::array<QLineEdit*, 6> boxes = editorFields();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (services::kFieldValues[i].field == field)
            boxes[i]->setText(QString::fromStdString(text));
    }
}

void frmMain::enableSave(bool enabled)
{
    cmdSave->setEnabled(enabled);
}

void frmMain::enableDelete(bool enabled)
{
    cmdDelete->setEnabled(enabled);
}

std::string frmMain::pickFile(const std::string& title, const std::string& filter)
{
    // The dialog always opens with an empty file name box; a cancel leaves
    // FileName empty.
    cd1.FileName.clear();
    cd1.DialogTitle = QString::fromStdString(title);
    cd1.Filter = QString::fromStdString(filter);
    cd1.ShowOpen();
    return cd1.FileName.toStdString();
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
