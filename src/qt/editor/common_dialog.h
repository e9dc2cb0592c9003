#pragma once

#include "core/editor/file_filter.h"
#include "core/system/dialogs.h"

#include <QString>

#include <vector>

namespace editor {

// The window's file dialog component: set FileName, DialogTitle and Filter,
// then ShowOpen. After a choice FileName holds the chosen file's full path;
// after a cancel it keeps what it held before.
class CommonDialog {
public:
    explicit CommonDialog(platform::FileDialogs& dialogs) : dialogs_(dialogs) {}

    QString FileName;
    QString DialogTitle;
    // "description|patterns|description|patterns", patterns separated by ";".
    QString Filter;

    void ShowOpen();

private:
    platform::FileDialogs& dialogs_;
};

// The choices of a filter text, read as the core reads the UTF-8 one.
std::vector<platform::FileFilter> parseFilterText(const QString& filter);

} // namespace editor
