#include "qt/desktop/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

namespace platform {

namespace {

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

// Qt reads a filter's patterns from the last parenthesised group of its text,
// separated by spaces. The description stays whole, "(*.a;*.b)" and all, and
// the patterns follow it in a group of their own, which the dialog hides.
// "*.*" means every file, named or not.
QString qtNameFilter(const FileFilter& filter)
{
    QStringList patterns;
    for (const std::string& pattern : filter.patterns)
        patterns << (pattern == "*.*" ? QStringLiteral("*") : qt(pattern));
    return QStringLiteral("%1 (%2)").arg(qt(filter.description), patterns.join(u' '));
}

// Qt's dialog keeps its history of folders and its view in the user's
// settings (QtProject.conf). The program keeps nothing between runs, so
// user settings go to a folder of this run, removed when it ends: the dialog
// still remembers within the run.
void keepUserSettingsForThisRun()
{
    static const QTemporaryDir folder;
    if (!folder.isValid())
        return;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}

} // namespace

MessageAnswer QtMessageBoxes::show(const MessageRequest& request)
{
    QMessageBox box(QMessageBox::NoIcon, qt(request.title), qt(request.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == MessageButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MessageAnswer::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(request.defaultButton == MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<std::string> QtFileDialogs::getOpenFileName(const OpenFileRequest& request)
{
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << qtNameFilter(filter);
    // Qt's own dialog: it shows each file type exactly as described and
    // matches patterns without regard to case, as the program expects. The
    // GTK dialog would cut each description at its first "(" and miss
    // upper-case names such as UPPER.ICO.
    keepUserSettingsForThisRun();
    QFileDialog dialog(QApplication::activeWindow(), qt(request.title));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

} // namespace platform
