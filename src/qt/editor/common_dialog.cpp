#include "qt/editor/common_dialog.h"

#include <QStringList>

namespace editor {

void CommonDialog::ShowOpen()
{
    const platform::OpenFileRequest request{DialogTitle.toStdString(), parseFilterText(Filter)};
    if (const std::optional<std::string> chosen = dialogs_.getOpenFileName(request))
        FileName = QString::fromStdString(*chosen);
}

std::vector<platform::FileFilter> parseFilterText(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    std::vector<platform::FileFilter> filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        platform::FileFilter choice{parts[i].toStdString(), {}};
        for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            choice.patterns.push_back(pattern.toStdString());
        filters.push_back(std::move(choice));
    }
    return filters;
}

} // namespace editor
