#include "core/services/dirty_hive.h"

#include "core/hive_format/hive_file_status.h"
#include "core/registry/hive/hive_log_files.h"

namespace services {

using namespace platform;

namespace {

constexpr char kTitle[] = "Pennant";
constexpr char kReadOnly[] = " The hive is open read-only: buttons can be viewed, but not saved or deleted.";

void tell(MessageBoxes& messages, const std::string& text)
{
    messages.show({text, kTitle, MessageButtons::Ok, MessageAnswer::Ok});
}

} // namespace

std::unique_ptr<HiveRegistry> settleDirtyHive(std::unique_ptr<HiveRegistry> opened, const std::string& path,
                                              MessageBoxes& messages)
{
    // The header alone tells a clean hive, without reading the whole file.
    if (hiveHeaderIsClean(path))
        return opened;
    const HiveLogState state = inspectHiveLogs(path);
    if (!state.dirty)
        return opened;
    if (!state.canApply) {
        tell(messages, state.whyNot + kReadOnly);
        return opened;
    }
    if (messages.show({kApplyLogsQuestion, kTitle, MessageButtons::YesNo, MessageAnswer::Yes}) != MessageAnswer::Yes)
        return opened;
    std::string error;
    if (!applyHiveLogs(path, &error)) {
        tell(messages, error + kReadOnly);
        return opened;
    }
    auto recovered = HiveRegistry::open(path, &error);
    if (!recovered) {
        tell(messages, error + kReadOnly);
        return opened;
    }
    return recovered;
}

} // namespace services
