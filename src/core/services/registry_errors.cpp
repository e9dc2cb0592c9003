#include "core/services/registry_errors.h"

namespace services {

std::string describeRegistryError(platform::LSTATUS status)
{
    using namespace platform;
    switch (status) {
    case kSuccess:
        return "The registry did what was asked.";
    case kFileNotFound:
        return "The registry key or value does not exist.";
    case kAccessDenied:
        return "The registry hive cannot be changed: the file or its folder is read-only, "
               "or Windows left changes in its transaction logs that must be applied first (pennant apply-logs HIVE).";
    case kInvalidHandle:
        return "The registry key is no longer open.";
    case kSharingViolation:
        return "Another program is changing the registry hive right now. Try again in a moment.";
    case kNotSupported:
        return "The registry key holds an empty value that cannot be rewritten safely.";
    case kInvalidParameter:
        return "A name or text is not valid in the registry.";
    case kBadPathname:
        return "A registry path starts with a backslash.";
    case kFileTooLarge:
        return "The registry hive cannot hold this: a value is larger than 16,344 bytes, or a key would have more "
               "than 65,535 sub keys.";
    case kRegistryCorrupt:
        return "The registry hive file is damaged; Pennant will not change it.";
    case kRegistryIoFailed:
        return "The registry hive file could not be written; the disk may be full.";
    case kKeyDeleted:
        return "The registry key was deleted by another program.";
    default:
        return "The registry reported error " + std::to_string(status) + ".";
    }
}

std::string describeRegistryError(const platform::Registry& registry, platform::LSTATUS status)
{
    const std::string detail = registry.failureDetail();
    if (!detail.empty() && (status == platform::kRegistryCorrupt || status == platform::kRegistryIoFailed))
        return detail;
    if (status == platform::kAccessDenied) {
        switch (registry.changeRefusal()) {
        case platform::Registry::ChangeRefusal::ReadOnlyFile:
            return "The registry hive cannot be changed: the hive file, its folder or its disk is read-only.";
        case platform::Registry::ChangeRefusal::PendingLogs:
            return "The registry hive cannot be changed: Windows left changes in its transaction logs that must be "
                   "applied first (pennant apply-logs HIVE).";
        case platform::Registry::ChangeRefusal::None:
            break;
        }
    }
    return describeRegistryError(status);
}

} // namespace services
