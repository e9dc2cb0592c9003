#include "platform/registry/win32_registry.h"

#include "platform/registry/registry_names.h"
#include "platform/registry/system_registry.h"

#include <windows.h>

#include <unordered_map>
#include <vector>

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

// One value as it was, to be written back.
struct SavedValue {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// The value's type and bytes; false when it is missing or cannot be read.
bool readValue(NativeKey key, const char* name, SavedValue* value)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value->type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value->data.resize(size);
    if (RegQueryValueExA(key, name, nullptr, &value->type, value->data.data(), &size) != ERROR_SUCCESS)
        return false;
    value->data.resize(size);
    value->name = name;
    return true;
}

// Every value of key.
std::vector<SavedValue> readValues(NativeKey key)
{
    std::vector<SavedValue> values;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return values;
        SavedValue value;
        if (readValue(key, name, &value))
            values.push_back(std::move(value));
    }
}

// What takes back one change: a value written back or removed, a key tree
// that was made removed, a key that was deleted made again with its values.
struct Undo {
    enum class Kind { RestoreValue, RemoveValue, RemoveTree, RecreateKey };
    Kind kind;
    NativeKey key; // a handle of the undo's own (closed with it)
    std::string subKey; // the key below key, or the value (RemoveValue)
    std::vector<SavedValue> values;
};

void takeBack(const Undo& undo)
{
    switch (undo.kind) {
    case Undo::Kind::RestoreValue:
        for (const SavedValue& value : undo.values)
            RegSetValueExA(undo.key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        break;
    case Undo::Kind::RemoveValue:
        RegDeleteValueA(undo.key, undo.subKey.c_str());
        break;
    case Undo::Kind::RemoveTree:
        RegDeleteTreeA(undo.key, undo.subKey.c_str());
        break;
    case Undo::Kind::RecreateKey: {
        NativeKey made = nullptr;
        if (RegCreateKeyExA(undo.key, undo.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                            &made, nullptr) != ERROR_SUCCESS)
            break;
        for (const SavedValue& value : undo.values)
            RegSetValueExA(made, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        RegCloseKey(made);
        break;
    }
    }
}

// A handle of its own to key, so that an undo outlives the caller's handle.
NativeKey ownHandle(NativeKey key)
{
    NativeKey own = nullptr;
    return RegOpenKeyExA(key, nullptr, 0, MAXIMUM_ALLOWED, &own) == ERROR_SUCCESS ? own : nullptr;
}

// The first key of path below base that does not exist yet ("a" for "a\b"
// when neither exists); empty when the whole path exists.
std::string firstMissingKey(NativeKey base, const std::string& path)
{
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('\\', end + 1);
        const std::string prefix = path.substr(0, end);
        NativeKey probe = nullptr;
        const LSTATUS status = RegOpenKeyExA(base, prefix.c_str(), 0, KEY_QUERY_VALUE, &probe);
        if (status == ERROR_FILE_NOT_FOUND)
            return prefix;
        if (status == ERROR_SUCCESS)
            RegCloseKey(probe);
    }
    return {};
}

} // namespace

struct Win32Registry::State {
    std::unordered_map<HKEY, NativeKey> handles;
    HKEY nextHandle = 1;
    // The application hive shown as HKEY_LOCAL_MACHINE\SOFTWARE; null for
    // the live registry.
    NativeKey hiveRoot = nullptr;
    // What takes back each change since the last flush, oldest first.
    std::vector<Undo> undos;

    void remember(Undo::Kind kind, NativeKey key, std::string subKey, std::vector<SavedValue> values = {});
    void forgetUndos();

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

void Win32Registry::State::remember(Undo::Kind kind, NativeKey key, std::string subKey, std::vector<SavedValue> values)
{
    if (NativeKey own = ownHandle(key))
        undos.push_back(Undo{kind, own, std::move(subKey), std::move(values)});
}

void Win32Registry::State::forgetUndos()
{
    for (const Undo& undo : undos)
        RegCloseKey(undo.key);
    undos.clear();
}

Win32Registry::Win32Registry() : d(std::make_unique<State>())
{
}

std::unique_ptr<Win32Registry> Win32Registry::loadHiveFile(const std::string& path, std::string* error)
{
    NativeKey root = nullptr;
    const LSTATUS status = RegLoadAppKeyA(path.c_str(), &root, KEY_ALL_ACCESS, 0, 0);
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
    d->forgetUndos();
    for (const auto& [handle, key] : d->handles)
        RegCloseKey(key);
    // Closing the last handle to an application hive unloads it.
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
    SavedValue before;
    const bool existed = readValue(native, valueName.c_str(), &before);
    const LSTATUS status = RegSetValueExA(native, valueName.c_str(), 0, type, data, size);
    if (status == ERROR_SUCCESS) {
        if (existed)
            d->remember(Undo::Kind::RestoreValue, native, {}, {std::move(before)});
        else
            d->remember(Undo::Kind::RemoveValue, native, valueName);
    }
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
    const std::string made = firstMissingKey(base, rest);
    NativeKey opened = nullptr;
    DWORD disposition = 0;
    // As RegCreateKeyA: whatever access this user has to the key.
    const LSTATUS status = RegCreateKeyExA(base, rest.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED,
                                           nullptr, &opened, &disposition);
    if (status != ERROR_SUCCESS)
        return status;
    if (!made.empty())
        d->remember(Undo::Kind::RemoveTree, base, made);
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

LSTATUS Win32Registry::deleteKey(HKEY root, const std::string& subKey)
{
    NativeKey base = nullptr;
    std::string rest;
    if (const LSTATUS status = d->place(root, subKey, &base, &rest); status != kSuccess)
        return status;
    // The application hive's root is the key its file holds: never deleted.
    if (base == d->hiveRoot && rest.empty())
        return kAccessDenied;
    std::vector<SavedValue> values;
    NativeKey doomed = nullptr;
    if (RegOpenKeyExA(base, rest.c_str(), 0, KEY_QUERY_VALUE, &doomed) == ERROR_SUCCESS) {
        values = readValues(doomed);
        RegCloseKey(doomed);
    }
    const LSTATUS status = RegDeleteKeyA(base, rest.c_str());
    if (status == ERROR_SUCCESS)
        d->remember(Undo::Kind::RecreateKey, base, rest, std::move(values));
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
    d->forgetUndos();
    return RegFlushKey(d->hiveRoot != nullptr ? d->hiveRoot : predefinedKey(kLocalMachine));
}

void Win32Registry::discardChanges()
{
    // Takes back this program's changes since the last flush, newest first.
    // Other programs may have seen them meanwhile.
    for (auto undo = d->undos.rbegin(); undo != d->undos.rend(); ++undo)
        takeBack(*undo);
    d->forgetUndos();
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
