#pragma once

#include "core/system/dialogs.h"
#include "core/registry/hive/hive_registry.h"

#include <memory>
#include <string>

namespace services {

inline constexpr char kApplyLogsQuestion[] =
    "This hive has changes in its transaction logs that are not in the hive file yet. Apply them now? "
    "(The originals are kept beside it.)";

// Called once the hive at path is open for the editor. When it is dirty (its
// newest changes are only in its Windows transaction logs) and its logs can
// be applied, asks whether to apply them; on Yes applies them, keeping the
// originals beside it, and returns the recovered hive opened for editing.
// Otherwise the hive stays open read-only as it is, and a dirty hive whose
// logs cannot be used says why. Returns the registry to edit.
std::unique_ptr<platform::HiveRegistry> settleDirtyHive(std::unique_ptr<platform::HiveRegistry> opened,
                                                        const std::string& path, platform::MessageBoxes& messages);

} // namespace services
