#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

// What takes back the changes one Win32Registry made to the registry since
// its last flush: values written back or removed, keys it made removed, keys
// it deleted made again with their values. Each undo is captured before its
// change and kept once the change succeeded.
class Win32ChangeLog {
public:
    struct SavedValue {
        std::string name;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    struct Undo {
        enum class Kind { Nothing, RestoreValue, RemoveValue, RemoveTree, RecreateKey };
        Kind kind = Kind::Nothing;
        ::HKEY key = nullptr; // the caller's handle until add() takes one of its own
        std::string name;     // the key below key, or the value (RemoveValue)
        std::vector<SavedValue> values;
    };

    Win32ChangeLog() = default;
    Win32ChangeLog(const Win32ChangeLog&) = delete;
    Win32ChangeLog& operator=(const Win32ChangeLog&) = delete;
    ~Win32ChangeLog();

    Undo beforeSetValue(::HKEY key, const std::string& valueName) const;
    Undo beforeCreateKey(::HKEY base, const std::string& path) const;
    Undo beforeDeleteKey(::HKEY base, const std::string& path) const;
    void add(Undo undo);

    // Takes back every kept change, newest first, and forgets them.
    void takeBackAll();
    // Forgets the kept changes: they stay.
    void forget();

private:
    std::vector<Undo> undos_;
};

} // namespace platform
