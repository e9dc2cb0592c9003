#include "core/registry/windows/win32_change_log.h"

#include <utility>

namespace platform {

namespace {

using SavedValue = Win32ChangeLog::SavedValue;
using Undo = Win32ChangeLog::Undo;

// The value's type and bytes; false when it is missing or cannot be read.
bool readValue(::HKEY key, const char* name, SavedValue* value)
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

void writeValues(::HKEY key, const std::vector<SavedValue>& values)
{
    for (const SavedValue& value : values)
        RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

// The first key of path below base that does not exist yet ("a" for "a\b"
// when neither exists); empty when the whole path exists.
std::string firstMissingKey(::HKEY base, const std::string& path)
{
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('\\', end + 1);
        const std::string prefix = path.substr(0, end);
        ::HKEY probe = nullptr;
        const LSTATUS status = RegOpenKeyExA(base, prefix.c_str(), 0, KEY_QUERY_VALUE, &probe);
        if (status == ERROR_FILE_NOT_FOUND)
            return prefix;
        if (status == ERROR_SUCCESS)
            RegCloseKey(probe);
    }
    return {};
}

void takeBack(const Undo& undo)
{
    switch (undo.kind) {
    case Undo::Kind::Nothing:
        break;
    case Undo::Kind::RestoreValue:
        writeValues(undo.key, undo.values);
        break;
    case Undo::Kind::RemoveValue:
        RegDeleteValueA(undo.key, undo.name.c_str());
        break;
    case Undo::Kind::RemoveTree:
        RegDeleteTreeA(undo.key, undo.name.c_str());
        break;
    case Undo::Kind::RecreateKey: {
        ::HKEY made = nullptr;
        if (RegCreateKeyExA(undo.key, undo.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                            &made, nullptr) == ERROR_SUCCESS) {
            writeValues(made, undo.values);
            RegCloseKey(made);
        }
        break;
    }
    }
}

} // namespace

Win32ChangeLog::~Win32ChangeLog()
{
    forget();
}

Undo Win32ChangeLog::beforeSetValue(::HKEY key, const std::string& valueName) const
{
    SavedValue before;
    if (readValue(key, valueName.c_str(), &before))
        return Undo{Undo::Kind::RestoreValue, key, {}, {std::move(before)}};
    return Undo{Undo::Kind::RemoveValue, key, valueName, {}};
}

Undo Win32ChangeLog::beforeCreateKey(::HKEY base, const std::string& path) const
{
    std::string made = firstMissingKey(base, path);
    if (made.empty())
        return {};
    return Undo{Undo::Kind::RemoveTree, base, std::move(made), {}};
}

Undo Win32ChangeLog::beforeDeleteKey(::HKEY base, const std::string& path) const
{
    Undo undo{Undo::Kind::RecreateKey, base, path, {}};
    ::HKEY doomed = nullptr;
    if (RegOpenKeyExA(base, path.c_str(), 0, KEY_QUERY_VALUE, &doomed) != ERROR_SUCCESS)
        return undo;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(doomed, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        SavedValue value;
        if (readValue(doomed, name, &value))
            undo.values.push_back(std::move(value));
    }
    RegCloseKey(doomed);
    return undo;
}

void Win32ChangeLog::add(Undo undo)
{
    // A handle of its own, so that the undo outlives the caller's handle.
    ::HKEY own = nullptr;
    if (undo.kind == Undo::Kind::Nothing || RegOpenKeyExA(undo.key, nullptr, 0, MAXIMUM_ALLOWED, &own) != ERROR_SUCCESS)
        return;
    undo.key = own;
    undos_.push_back(std::move(undo));
}

void Win32ChangeLog::takeBackAll()
{
    for (auto undo = undos_.rbegin(); undo != undos_.rend(); ++undo)
        takeBack(*undo);
    forget();
}

void Win32ChangeLog::forget()
{
    for (const Undo& undo : undos_)
        RegCloseKey(undo.key);
    undos_.clear();
}

} // namespace platform
