#include "core/services/general.h"

#include "core/services/maker.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <vector>

namespace services {

using namespace platform;

namespace {

constexpr char kProgramTitle[] = "Pennant";
constexpr std::size_t kUsualValueBytes = 256;

// Text as it crosses the registry interface: the bytes, and for REG_SZ one
// terminating zero byte.
std::vector<std::uint8_t> stringData(const std::string& text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

} // namespace

General::General(Registry& registry, MessageBoxes& messages, Shell& shell, UuidSource& uuids)
    : registry_(registry), messages_(messages), shell_(shell), uuids_(uuids), readBuffer_(kUsualValueBytes)
{
}

HKEY General::RootKeyFromName(const std::string& name)
{
    static const std::pair<const char*, HKEY> roots[] = {
        {"HKEY_CLASSES_ROOT", kClassesRoot},
        {"HKEY_CURRENT_USER", kCurrentUser},
        {"HKEY_LOCAL_MACHINE", kLocalMachine},
        {"HKEY_USERS", kUsers},
        {"HKEY_PERFORMANCE_DATA", kPerformanceData},
        {"HKEY_CURRENT_CONFIG", kCurrentConfig},
        {"HKEY_DYN_DATA", kDynData},
    };
    for (const auto& [rootName, handle] : roots)
        if (name == rootName)
            return handle;
    return 0;
}

void General::SplitRegPath(std::string& path, HKEY& root)
{
    root = 0;
    if (path.compare(0, 5, "HKEY_") != 0 || path.back() == '\\') {
        messages_.show({"Incorrect Format:\n\n" + path, kProgramTitle, MessageButtons::Ok, MessageAnswer::Ok});
        return;
    }
    const auto slash = path.find('\\');
    if (slash == std::string::npos) {
        root = RootKeyFromName(path);
        path.clear();
        return;
    }
    root = RootKeyFromName(path.substr(0, slash));
    path.erase(0, slash + 1);
}

HKEY General::rootAndSubKey(const std::string& path, std::string& subKey)
{
    subKey = path;
    HKEY root = 0;
    SplitRegPath(subKey, root);
    return root;
}

std::string General::ReadRegString(const std::string& path, const std::string& valueName)
{
    std::string subKey;
    const HKEY root = rootAndSubKey(path, subKey);
    if (root == 0)
        return {};
    return ReadRegString(root, subKey, valueName);
}

std::string General::ReadRegString(HKEY key, const std::string& subKey, const std::string& valueName)
{
    // A buffer that holds almost every text saves asking for the size
    // first; a longer value, or one that grows meanwhile, is asked for again.
    // It is kept from call to call.
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t>& buffer = readBuffer_;
    auto size = static_cast<std::uint32_t>(buffer.size());
    regStatus_ = registry_.queryValueBelow(key, subKey, valueName, &type, buffer.data(), &size);
    while (regStatus_ == kMoreData) {
        buffer.resize(size);
        regStatus_ = registry_.queryValueBelow(key, subKey, valueName, &type, buffer.data(), &size);
    }
    if (regStatus_ != kSuccess)
        return "Error";

    std::string text(buffer.begin(), buffer.begin() + std::min<std::size_t>(size, buffer.size()));
    // A string value normally ends in one zero byte; data stored without it
    // is returned whole.
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

LSTATUS General::CreateRegKey(const std::string& path, bool* created)
{
    std::string subKey;
    const HKEY root = rootAndSubKey(path, subKey);
    if (root == 0)
        return kFileNotFound;

    HKEY key = 0;
    const LSTATUS status = registry_.createKey(root, subKey, &key, created);
    regStatus_ = status;
    if (status == kSuccess)
        regStatus_ = registry_.closeKey(key);
    return status;
}

LSTATUS General::WriteRegString(const std::string& path, const std::string& valueName, const std::string& data,
                                std::uint32_t type)
{
    std::string subKey;
    const HKEY root = rootAndSubKey(path, subKey);
    if (root == 0)
        return kFileNotFound;

    HKEY key = 0;
    regStatus_ = registry_.openKey(root, subKey, kKeyWrite, &key);
    if (regStatus_ != kSuccess)
        return regStatus_;
    const std::vector<std::uint8_t> bytes = stringData(data);
    const LSTATUS status =
        registry_.setValue(key, valueName, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    regStatus_ = status;
    regStatus_ = registry_.closeKey(key);
    return status;
}

std::string General::NewButtonId()
{
    Uuid uuid{};
    std::string text;
    // Only a missing network address sends the identifier to the substitute;
    // any other status of the generator is trusted.
    if (uuids_.create(&uuid) != kRpcUuidNoAddress && uuids_.toString(uuid, &text) == kRpcOk) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return text;
    }
    const std::string a = RandomDigits(8);
    const std::string b = RandomDigits(4);
    const std::string c = RandomDigits(11);
    return a + "-" + b + "-" + b + "-" + b + "-" + c + "-" + "A";
}

std::string General::RandomDigits(std::int32_t count)
{
    // Reseeded from a nanosecond clock on every call; two calls within the
    // same tick still get different seeds.
    static std::atomic<std::uint64_t> lastSeed{0};
    std::uint64_t seed = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    std::uint64_t previous = lastSeed.load();
    do {
        seed = std::max(seed, previous + 1);
    } while (!lastSeed.compare_exchange_weak(previous, seed));

    std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
    std::mt19937 generator(sequence);
    std::string digits(static_cast<std::size_t>(std::max(count, 0)), ' ');
    for (char& digit : digits) {
        const float r = std::generate_canonical<float, 24>(generator);
        digit = static_cast<char>('0' + std::min(9, static_cast<int>(r * 10.0f)));
    }
    return digits;
}

void General::OpenWebPage()
{
    shell_.openLink(maker::kWebPageLink);
}

void General::OpenMailMessage()
{
    shell_.openLink(maker::kMailLink);
}

} // namespace services
