#include "core/about/sys_info_launcher.h"

#include "resources/version.h"
#include "core/services/general.h"
#include "core/services/sys_info_location.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace about {

namespace {

// Reading and writing the key: a user who may only read it is refused.
constexpr std::uint32_t kReadWriteAccess = platform::kReadControl | platform::kKeyQueryValue | platform::kKeySetValue |
                                           platform::kKeyCreateSubKey | platform::kKeyEnumerateSubKeys |
                                           platform::kKeyNotify | platform::kKeyCreateLink;
static_assert(kReadWriteAccess == 0x0002003F);
constexpr std::uint32_t kValueBufferSize = 1024;

using namespace services::sys_info;
constexpr char kToolFileName[] = "\\MSINFO32.EXE";
constexpr char kUnavailableMessage[] = "System Information Is Unavailable At This Time";

// The number a REG_DWORD holds: its bytes, least significant first.
std::string dwordText(const std::uint8_t* data, std::uint32_t size)
{
    std::uint32_t number = 0;
    for (std::uint32_t i = 0; i < size && i < 4; ++i)
        number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    char digits[9];
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(number));
    return std::string("&h") + digits;
}

// The tool's full path from the registry, or the empty text when neither
// location names one that exists.
std::string findToolPath(services::General& general)
{
    std::string SysInfoPath;
    if (GetKeyValue(general.registry(), platform::kLocalMachine, kPathKey, kPathValue, SysInfoPath))
        return SysInfoPath;
    if (!GetKeyValue(general.registry(), platform::kLocalMachine, kFolderKey, kFolderValue, SysInfoPath))
        return {};
    const std::string toolFile = SysInfoPath + kToolFileName;
    return general.shell().isOrdinaryFile(toolFile) ? toolFile : std::string();
}

} // namespace

bool GetKeyValue(platform::Registry& registry, platform::HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal)
{
    platform::HKEY hKey = 0;
    if (registry.openKey(KeyRoot, KeyName, kReadWriteAccess, &hKey) != platform::kSuccess) {
        KeyVal.clear();
        return false;
    }

    std::array<std::uint8_t, kValueBufferSize> buffer{};
    std::uint32_t size = kValueBufferSize;
    std::uint32_t type = platform::kRegNone;
    if (registry.queryValue(hKey, SubKeyRef, &type, buffer.data(), &size) != platform::kSuccess) {
        KeyVal.clear();
        registry.closeKey(hKey);
        return false;
    }

    size = std::min(size, kValueBufferSize);
    std::string text(reinterpret_cast<const char*>(buffer.data()), size);
    if (!text.empty() && text.back() == '\0')
        text.pop_back();

    if (type == platform::kRegSz)
        KeyVal = text;
    else if (type == platform::kRegDword)
        KeyVal = dwordText(buffer.data(), size);

    registry.closeKey(hKey);
    return true;
}

void StartSysInfo(services::General& general)
{
    const std::string toolPath = findToolPath(general);
    // The path text alone is the command line; an empty or unstartable one
    // fails here.
    if (!toolPath.empty() && general.shell().startProgram(toolPath))
        return;
    general.messages().show({kUnavailableMessage, resources::kProgramTitle, platform::MessageButtons::Ok});
}

} // namespace about
