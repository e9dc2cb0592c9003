#include "platform/desktop/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace platform {

namespace {

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

// Qt reads a filter's patterns from the last parenthesised group of its text,
// separated by spaces, so the description's own "(*.a;*.b)" is replaced by
// the patterns in that form. "*.*" means every file, named or not.
QString qtNameFilter(const FileFilter& filter)
{
    QString description = qt(filter.description).trimmed();
    if (description.endsWith(u')')) {
        const qsizetype open = description.lastIndexOf(u'(');
        if (open > 0)
            description = description.left(open).trimmed();
    }
    QStringList patterns;
    for (const std::string& pattern : filter.patterns)
        patterns << (pattern == "*.*" ? QStringLiteral("*") : qt(pattern));
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
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
    const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), qt(request.title), QString(),
                                                        filters.join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

} // namespace platform
