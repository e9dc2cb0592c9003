#include "qt/editor/common_dialog.h"

namespace editor {

void CommonDialog::ShowOpen()
{
    const platform::OpenFileRequest request{DialogTitle.toStdString(), parseFilterText(Filter)};
    if (const std::optional<std::string> chosen = dialogs_.getOpenFileName(request))
        FileName = QString::fromStdString(*chosen);
}

std::vector<platform::FileFilter> parseFilterText(const QString& filter)
{
    return parseFilterText(filter.toStdString());
}

} // namespace editor
