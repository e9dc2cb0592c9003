#include "temp_hive.h"

#include "core/hive_format/blank_hive.h"

#include <QFile>
#include <QTest>

#include <stdexcept>

namespace {

void require(bool condition, const std::string& what)
{
    if (!condition)
        throw std::runtime_error("test hive: " + what);
}

} // namespace

std::pair<platform::HKEY, std::string> splitTestPath(const std::string& keyPath)
{
    static const std::pair<const char*, platform::HKEY> roots[] = {
        {"HKEY_CLASSES_ROOT", platform::kClassesRoot},     {"HKEY_CURRENT_USER", platform::kCurrentUser},
        {"HKEY_LOCAL_MACHINE", platform::kLocalMachine},   {"HKEY_USERS", platform::kUsers},
        {"HKEY_CURRENT_CONFIG", platform::kCurrentConfig},
    };
    const auto slash = keyPath.find('\\');
    const std::string rootName = keyPath.substr(0, slash);
    const std::string rest = slash == std::string::npos ? std::string() : keyPath.substr(slash + 1);
    for (const auto& [name, handle] : roots)
        if (rootName == name)
            return {handle, rest};
    throw std::runtime_error("test hive: unknown root in " + keyPath);
}

TempHive::TempHive()
{
    require(dir_.isValid(), "no temporary folder");
    std::string error;
    require(platform::writeBlankHive(path(), &error), error);
    registry_ = platform::HiveRegistry::open(path(), &error);
    require(registry_ != nullptr, error);
}

std::string TempHive::path() const
{
    return folder() + "/SOFTWARE";
}

std::string TempHive::folder() const
{
    return dir_.path().toStdString();
}

std::unique_ptr<platform::HiveRegistry> TempHive::openAgain() const
{
    std::string error;
    auto other = platform::HiveRegistry::open(path(), &error);
    require(other != nullptr, error);
    return other;
}

void TempHive::putRaw(const std::string& keyPath, const std::string& valueName, std::uint32_t type,
                      const std::vector<std::uint8_t>& data)
{
    const auto [root, sub] = splitTestPath(keyPath);
    platform::HKEY key = 0;
    require(registry_->createKey(root, sub, &key) == platform::kSuccess, "cannot create " + keyPath);
    const platform::LSTATUS set =
        registry_->setValue(key, valueName, type, data.data(), static_cast<std::uint32_t>(data.size()));
    registry_->closeKey(key);
    require(set == platform::kSuccess, "cannot set " + valueName);
    require(registry_->flush() == platform::kSuccess, "cannot flush");
}

void TempHive::putString(const std::string& keyPath, const std::string& valueName, const std::string& text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    putRaw(keyPath, valueName, platform::kRegSz, data);
}

void TempHive::putDword(const std::string& keyPath, const std::string& valueName, std::uint32_t value)
{
    std::vector<std::uint8_t> data(4);
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    putRaw(keyPath, valueName, platform::kRegDword, data);
}

void TempHive::createKey(const std::string& keyPath)
{
    const auto [root, sub] = splitTestPath(keyPath);
    platform::HKEY key = 0;
    require(registry_->createKey(root, sub, &key) == platform::kSuccess, "cannot create " + keyPath);
    registry_->closeKey(key);
    require(registry_->flush() == platform::kSuccess, "cannot flush");
}

std::optional<TempHive::Value> TempHive::readOnDisk(const std::string& keyPath, const std::string& valueName) const
{
    auto fresh = openAgain();
    const auto [root, sub] = splitTestPath(keyPath);
    platform::HKEY key = 0;
    if (fresh->openKey(root, sub, platform::kKeyRead, &key) != platform::kSuccess)
        return std::nullopt;
    Value value;
    std::uint32_t size = 0;
    platform::LSTATUS status = fresh->queryValue(key, valueName, &value.type, nullptr, &size);
    if (status == platform::kSuccess) {
        value.data.resize(size);
        status = fresh->queryValue(key, valueName, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    fresh->closeKey(key);
    if (status != platform::kSuccess)
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::string>> TempHive::subKeysOnDisk(const std::string& keyPath) const
{
    auto fresh = openAgain();
    const auto [root, sub] = splitTestPath(keyPath);
    platform::HKEY key = 0;
    if (fresh->openKey(root, sub, platform::kKeyRead, &key) != platform::kSuccess)
        return std::nullopt;
    std::vector<std::string> names;
    for (std::uint32_t index = 0;; ++index) {
        char name[1024];
        std::uint32_t length = sizeof name;
        if (fresh->enumKey(key, index, name, &length) != platform::kSuccess)
            break;
        names.emplace_back(name, length);
    }
    fresh->closeKey(key);
    return names;
}

std::vector<char> TempHive::fileBytes() const
{
    QFile file(QString::fromStdString(path()));
    require(file.open(QIODevice::ReadOnly), "cannot read " + path());
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}
