#include "core/registry/windows/win32_registry.h"

#include "core/registry/registry_names.h"
#include "core/registry/system_registry.h"
#include "core/registry/windows/win32_change_log.h"

#include <windows.h>

#include <algorithm>

#include <unordered_map>

namespace platform {

namespace {

using NativeKey = ::HKEY;

// The native handle of a predefined root: its number sign-extended, as the
// Windows headers define HKEY_LOCAL_MACHINE and the others (their macros
// cannot be used here, where HKEY is the interface's own type).
NativeKey predefinedKey(HKEY key)
{
    return reinterpret_cast<NativeKey>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
}

// The system's own sentence for a result code, without its line break.
std::string systemMessage(LSTATUS status)
{
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(status), 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(status) : message;
}

} // namespace

struct Win32Registry::State {
    std::unordered_map<HKEY, NativeKey> handles;
    HKEY nextHandle = 1;
    // The application hive shown as HKEY_LOCAL_MACHINE\SOFTWARE; null for
    // the live registry.
    NativeKey hiveRoot = nullptr;
    Win32ChangeLog changes;

    LSTATUS native(HKEY key, NativeKey* out) const;
    LSTATUS place(HKEY root, const std::string& subKey, NativeKey* base, std::string* rest) const;
    HKEY add(NativeKey key);
};

LSTATUS Win32Registry::State::native(HKEY key, NativeKey* out) const
{
    if (isPredefinedKey(key)) {
        *out = predefinedKey(key);
        return kSuccess;
    }
    const auto found = handles.find(key);
    if (found == handles.end())
        return kInvalidHandle;
    *out = found->second;
    return kSuccess;
}

// The native key and path that root\subKey stand for. With an application
// hive, only HKEY_LOCAL_MACHINE\SOFTWARE and the keys below it exist.
LSTATUS Win32Registry::State::place(HKEY root, const std::string& subKey, NativeKey* base, std::string* rest) const
{
    if (hiveRoot == nullptr || !isPredefinedKey(root)) {
        *rest = subKey;
        return native(root, base);
    }
    const std::size_t end = subKey.find('\\');
    if (root != kLocalMachine || foldedName(subKey.substr(0, end)) != "SOFTWARE")
        return kFileNotFound;
    *base = hiveRoot;
    *rest = end == std::string::npos ? std::string() : subKey.substr(end + 1);
    return kSuccess;
}

HKEY Win32Registry::State::add(NativeKey key)
{
    while (nextHandle == 0 || isPredefinedKey(nextHandle) || handles.count(nextHandle) != 0)
        ++nextHandle;
    handles[nextHandle] = key;
    return nextHandle++;
}

Win32Registry::Win32Registry() : d(std::make_unique<State>())
{
}

std::unique_ptr<Win32Registry> Win32Registry::loadHiveFile(const std::string& path, std::string* error)
{
    NativeKey root = nullptr;
    LSTATUS status = RegLoadAppKeyA(path.c_str(), &root, KEY_ALL_ACCESS, 0, 0);
    // A root that answers no question is no hive (Wine only pretends to
    // load one).
    if (status == ERROR_SUCCESS) {
        status = RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS)
            RegCloseKey(root);
    }
    if (status != ERROR_SUCCESS) {
        *error = "The registry hive " + path + " cannot be loaded: " + systemMessage(status);
        return nullptr;
    }
    auto registry = std::make_unique<Win32Registry>();
    registry->d->hiveRoot = root;
    return registry;
}

Win32Registry::~Win32Registry()
{
    // Every other handle into an application hive goes first: closing the
    // last one unloads it.
    d->changes.forget();
    for (const auto& [handle, key] : d->handles)
        RegCloseKey(key);
    if (d->hiveRoot != nullptr)
        RegCloseKey(d->hiveRoot);
}

LSTATUS Win32Registry::openKey(HKEY root, const std::string& subKey, std::uint32_t access, HKEY* result)
{
    if (result == nullptr)
        return kInvalidParameter;
    NativeKey base = nullptr;
    std::string rest;
    if (const LSTATUS status = d->place(root, subKey, &base, &rest); status != kSuccess)
        return status;
    NativeKey opened = nullptr;
    const LSTATUS status = RegOpenKeyExA(base, rest.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS)
        *result = d->add(opened);
    return status;
}

LSTATUS Win32Registry::queryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size)
{
    NativeKey native = nullptr;
    if (const LSTATUS status = d->native(key, &native); status != kSuccess)
        return status;
    DWORD nativeType = 0;
    DWORD nativeSize = size != nullptr ? *size : 0;
    const LSTATUS status = RegQueryValueExA(native, valueName.c_str(), nullptr, type != nullptr ? &nativeType : nullptr,
                                            data, size != nullptr ? &nativeSize : nullptr);
    if (type != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA))
        *type = nativeType;
    if (size != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA))
        *size = nativeSize;
    return status;
}

LSTATUS Win32Registry::setValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t size)
{
    NativeKey native = nullptr;
    if (const LSTATUS status = d->native(key, &native); status != kSuccess)
        return status;
    Win32ChangeLog::Undo undo = d->changes.beforeSetValue(native, valueName);
    const LSTATUS status = RegSetValueExA(native, valueName.c_str(), 0, type, data, size);
    if (status == ERROR_SUCCESS)
        d->changes.add(std::move(undo));
    return status;
}

LSTATUS Win32Registry::createKey(HKEY root, const std::string& subKey, HKEY* result, bool* created)
{
    if (result == nullptr)
        return kInvalidParameter;
    NativeKey base = nullptr;
    std::string rest;
    if (const LSTATUS status = d->place(root, subKey, &base, &rest); status != kSuccess)
        return status == kFileNotFound ? kAccessDenied : status;
    Win32ChangeLog::Undo undo = d->changes.beforeCreateKey(base, rest);
    NativeKey opened = nullptr;
    DWORD disposition = 0;
    // As RegCreateKeyA: whatever access this user has to the key.
    const LSTATUS status = RegCreateKeyExA(base, rest.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED,
                                           nullptr, &opened, &disposition);
    if (status != ERROR_SUCCESS)
        return status;
    d->changes.add(std::move(undo));
    *result = d->add(opened);
    if (created != nullptr)
        *created = disposition == REG_CREATED_NEW_KEY;
    return kSuccess;
}

LSTATUS Win32Registry::enumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength)
{
    NativeKey native = nullptr;
    if (const LSTATUS status = d->native(key, &native); status != kSuccess)
        return status;
    if (name == nullptr || nameLength == nullptr)
        return kInvalidParameter;
    DWORD length = *nameLength;
    const LSTATUS status = RegEnumKeyExA(native, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        *nameLength = length;
    return status;
}

LSTATUS Win32Registry::enumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                                 std::vector<std::uint8_t>* data)
{
    NativeKey native = nullptr;
    if (const LSTATUS status = d->native(key, &native); status != kSuccess)
        return status;
    if (name == nullptr)
        return kInvalidParameter;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (const LSTATUS status = RegQueryInfoKeyA(native, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                &longestName, &longestData, nullptr, nullptr);
        status != ERROR_SUCCESS)
        return status;
    // The sizes grow when another program writes meanwhile; ask again then.
    for (;;) {
        std::vector<char> nameBuffer(longestName + 1);
        std::vector<BYTE> dataBuffer(longestData + 1);
        DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
        DWORD dataSize = static_cast<DWORD>(dataBuffer.size());
        DWORD nativeType = 0;
        const LSTATUS status = RegEnumValueA(native, index, nameBuffer.data(), &nameLength, nullptr, &nativeType,
                                             data != nullptr ? dataBuffer.data() : nullptr, &dataSize);
        if (status == ERROR_MORE_DATA) {
            longestName = 2 * longestName + 256;
            longestData = std::max<DWORD>(2 * longestData, dataSize);
            continue;
        }
        if (status != ERROR_SUCCESS)
            return status;
        name->assign(nameBuffer.data(), nameLength);
        if (type != nullptr)
            *type = nativeType;
        if (data != nullptr)
            data->assign(dataBuffer.begin(), dataBuffer.begin() + dataSize);
        return kSuccess;
    }
}

LSTATUS Win32Registry::deleteValue(HKEY key, const std::string& valueName)
{
    NativeKey native = nullptr;
    if (const LSTATUS status = d->native(key, &native); status != kSuccess)
        return status;
    Win32ChangeLog::Undo undo = d->changes.beforeSetValue(native, valueName);
    const LSTATUS status = RegDeleteValueA(native, valueName.c_str());
    if (status == ERROR_SUCCESS)
        d->changes.add(std::move(undo));
    return status;
}

LSTATUS Win32Registry::deleteKey(HKEY root, const std::string& subKey)
{
    NativeKey base = nullptr;
    std::string rest;
    if (const LSTATUS status = d->place(root, subKey, &base, &rest); status != kSuccess)
        return status;
    // The application hive's root is the key its file holds: never deleted.
    if (base == d->hiveRoot && rest.empty())
        return kAccessDenied;
    Win32ChangeLog::Undo undo = d->changes.beforeDeleteKey(base, rest);
    const LSTATUS status = RegDeleteKeyA(base, rest.c_str());
    if (status == ERROR_SUCCESS)
        d->changes.add(std::move(undo));
    return status;
}

LSTATUS Win32Registry::closeKey(HKEY key)
{
    if (isPredefinedKey(key))
        return kSuccess;
    const auto found = d->handles.find(key);
    if (found == d->handles.end())
        return kInvalidHandle;
    const LSTATUS status = RegCloseKey(found->second);
    d->handles.erase(found);
    return status;
}

LSTATUS Win32Registry::flush()
{
    // Every change is already live; this makes it durable on disk, and the
    // changes so far can no longer be discarded.
    d->changes.forget();
    return RegFlushKey(d->hiveRoot != nullptr ? d->hiveRoot : predefinedKey(kLocalMachine));
}

void Win32Registry::discardChanges()
{
    // Other programs may have seen the changes meanwhile.
    d->changes.takeBackAll();
}

std::unique_ptr<Registry> openSystemRegistry()
{
    return std::make_unique<Win32Registry>();
}

std::unique_ptr<Registry> openHiveFile(const std::string& path, std::string* error)
{
    return Win32Registry::loadHiveFile(path, error);
}

} // namespace platform
