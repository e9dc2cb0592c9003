#pragma once

#include "core/system/dialogs.h"
#include "core/system/shell.h"
#include "core/system/uuid.h"
#include "core/registry/registry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace services {

// The program's shared procedures: the registry reached through textual key
// paths ("HKEY_LOCAL_MACHINE\Software\..."), identifiers for new button keys,
// and the maker's links. One instance lives for the whole run; RegStatus
// holds the result code of the last registry call that ReadRegString,
// CreateRegKey or WriteRegString made.
class General {
public:
    General(platform::Registry& registry, platform::MessageBoxes& messages, platform::Shell& shell,
            platform::UuidSource& uuids);

    // The predefined handle of a root key name (exact, case-sensitive); 0
    // for any other text.
    static platform::HKEY RootKeyFromName(const std::string& name);

    // Cuts "ROOT\sub\key" into the root's handle and "sub\key". A path that
    // does not start with "HKEY_" or ends in a backslash is shown to the
    // user as an incorrect format; root is then 0 and path unchanged.
    void SplitRegPath(std::string& path, platform::HKEY& root);

    // The value's text; "Error" when the key cannot be opened or the value
    // cannot be read; the empty text when the path names no root key.
    std::string ReadRegString(const std::string& path, const std::string& valueName);
    // The same for the key subKey below an open key, so that a listing reads
    // one value of many sibling keys without spelling out each full path.
    std::string ReadRegString(platform::HKEY key, const std::string& subKey, const std::string& valueName);

    // Creates the key and any missing keys above it, or opens an existing
    // one; *created (when given) tells which. Returns the outcome.
    platform::LSTATUS CreateRegKey(const std::string& path, bool* created = nullptr);

    // Sets a REG_SZ value (or a value of the other string type given) in an
    // existing key (never creates the key). Returns the outcome.
    platform::LSTATUS WriteRegString(const std::string& path, const std::string& valueName, const std::string& data,
                                     std::uint32_t type = platform::kRegSz);

    std::int32_t RegStatus() const { return regStatus_; }

    // A fresh identifier for a new button key, without braces: the UUID's
    // upper-case text, or a substitute made of random digits when the UUID
    // source has no network address or cannot convert.
    std::string NewButtonId();

    // count random decimal digits; reseeds from the clock on every call.
    static std::string RandomDigits(std::int32_t count);

    void OpenWebPage();
    void OpenMailMessage();

    platform::Registry& registry() { return registry_; }
    platform::MessageBoxes& messages() { return messages_; }
    platform::Shell& shell() { return shell_; }

private:
    // The root handle of a full path (0 when it names none) and its sub key.
    platform::HKEY rootAndSubKey(const std::string& path, std::string& subKey);

    platform::Registry& registry_;
    platform::MessageBoxes& messages_;
    platform::Shell& shell_;
    platform::UuidSource& uuids_;
    std::int32_t regStatus_ = 0;
    std::vector<std::uint8_t> readBuffer_; // ReadRegString's, grown as needed
};

} // namespace services
