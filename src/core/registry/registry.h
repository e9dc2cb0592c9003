#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The registry as the program sees it: the handful of Windows registry
// functions it needs, with their result codes and predefined root handles.
// Text crosses this interface in the program's 8-bit code page (UTF-8 on
// Linux); sizes are counted in bytes of that text, as the Windows "A"
// functions count them.
namespace platform {

using HKEY = std::uint32_t;
using LSTATUS = std::int32_t;

// Result codes (the Windows numbers).
inline constexpr LSTATUS kSuccess = 0;
inline constexpr LSTATUS kFileNotFound = 2;        // key or value missing
inline constexpr LSTATUS kAccessDenied = 5;        // no write access, or key has sub keys (delete)
inline constexpr LSTATUS kInvalidHandle = 6;       // handle not open
inline constexpr LSTATUS kSharingViolation = 32;   // another process holds the hive's write lock
inline constexpr LSTATUS kNotSupported = 50;       // key holds data this backend cannot rewrite safely
inline constexpr LSTATUS kInvalidParameter = 87;   // bad name, type or data
inline constexpr LSTATUS kBadPathname = 161;       // a key path that starts with a backslash
inline constexpr LSTATUS kFileTooLarge = 223;      // value larger than one hive cell
inline constexpr LSTATUS kMoreData = 234;          // caller's buffer too small
inline constexpr LSTATUS kNoMoreItems = 259;       // enumeration past the last item
inline constexpr LSTATUS kRegistryCorrupt = 1015;  // the hive file is damaged
inline constexpr LSTATUS kRegistryIoFailed = 1016; // reading or writing the hive file failed
inline constexpr LSTATUS kKeyDeleted = 1018;       // the open key was deleted meanwhile

// Predefined root keys.
inline constexpr HKEY kClassesRoot = 0x80000000;
inline constexpr HKEY kCurrentUser = 0x80000001;
inline constexpr HKEY kLocalMachine = 0x80000002;
inline constexpr HKEY kUsers = 0x80000003;
inline constexpr HKEY kPerformanceData = 0x80000004;
inline constexpr HKEY kCurrentConfig = 0x80000005;
inline constexpr HKEY kDynData = 0x80000006;

inline constexpr bool isPredefinedKey(HKEY key)
{
    return key >= kClassesRoot && key <= kDynData;
}

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kReadControl = 0x00020000;
inline constexpr std::uint32_t kKeyRead = 0x00020019;
inline constexpr std::uint32_t kKeyWrite = 0x00020006;
inline constexpr std::uint32_t kKeyExecute = 0x00020019;
inline constexpr std::uint32_t kKeyAllAccess = 0x000F003F;
// Rights that Windows maps to the key rights above when a key is opened.
inline constexpr std::uint32_t kMaximumAllowed = 0x02000000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericExecute = 0x20000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kGenericRead = 0x80000000;
// Rights that change the store; asking for any of them on a store that
// cannot be written gives kAccessDenied.
inline constexpr std::uint32_t kKeyWriteRights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink;

class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA. An empty subKey opens root itself.
    virtual LSTATUS openKey(HKEY root, const std::string& subKey, std::uint32_t access, HKEY* result) = 0;

    // RegQueryValueExA. type and data may be null. On entry *size is the
    // capacity of data; on return it is the number of bytes stored or, with
    // kMoreData (or when data is null), the number needed.
    virtual LSTATUS queryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size) = 0;

    // Opens subKey below key for reading, queries one of its values as
    // queryValue does and closes it again (RegOpenKeyExA, RegQueryValueExA
    // and RegCloseKey in one call). A store may do it without a handle.
    virtual LSTATUS queryValueBelow(HKEY key, const std::string& subKey, const std::string& valueName,
                                    std::uint32_t* type, std::uint8_t* data, std::uint32_t* size);

    // RegSetValueExA. String types take 8-bit text; size counts the
    // terminating zero byte when the caller includes one.
    virtual LSTATUS setValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                             std::uint32_t size) = 0;

    // RegCreateKeyA: creates the key and any missing keys above it, or opens
    // it with full access when it exists. *created (when given) tells which.
    virtual LSTATUS createKey(HKEY root, const std::string& subKey, HKEY* result, bool* created = nullptr) = 0;

    // RegEnumKeyExA. On entry *nameLength is the capacity of name in bytes,
    // terminator included; on return the length copied, without it. A name
    // that does not fit gives kMoreData.
    virtual LSTATUS enumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength) = 0;

    // RegEnumValueA, with the name and data handed back whole: the value at
    // index in stored order, its type and its data as queryValue gives it.
    // kNoMoreItems past the last value.
    virtual LSTATUS enumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                              std::vector<std::uint8_t>* data) = 0;

    // RegDeleteValueA: kFileNotFound when the key has no such value.
    virtual LSTATUS deleteValue(HKEY key, const std::string& valueName) = 0;

    // How many sub keys the key has now, as a hint for a caller about to
    // enumerate them; nothing when the store cannot tell cheaply.
    virtual std::optional<std::uint32_t> subKeyCount(HKEY /*key*/) { return std::nullopt; }

    // RegDeleteKeyA: deletes a key that has no sub keys (kAccessDenied otherwise).
    virtual LSTATUS deleteKey(HKEY root, const std::string& subKey) = 0;

    // RegCloseKey. Closing a predefined root succeeds and does nothing.
    virtual LSTATUS closeKey(HKEY key) = 0;

    // Makes every change so far durable, all at once. (On a live registry
    // each change is seen by other programs as soon as it is made; flush
    // only makes them durable on disk.)
    virtual LSTATUS flush() = 0;

    // Forgets every change since the last flush, so that a half-done
    // operation never reaches the disk with a later flush. (On a live
    // registry the changes are taken back, though others may have seen them.)
    virtual void discardChanges() = 0;

    // One sentence about the store's state that a result code cannot say (a
    // damaged hive, a save whose written copy failed its check); empty when
    // there is nothing to add.
    virtual std::string failureDetail() const { return {}; }
    // Starts, on another thread, the work that failureDetail() and the first
    // change will need (a hive's whole structural check), so that a window
    // can open meanwhile.
    virtual void checkAhead() {}

    // Why a store that is not damaged refuses every change: its file cannot
    // be written, or Windows left changes in its transaction logs that must
    // be applied first. None while it takes changes, or when it cannot tell.
    enum class ChangeRefusal { None, ReadOnlyFile, PendingLogs };
    virtual ChangeRefusal changeRefusal() const { return ChangeRefusal::None; }

    // Mark the calls made for one user action (they nest). A store that
    // another process may replace checks for that at the first key opened
    // from a predefined root in the action, not at every one, so that a
    // listing costs one check. Outside an action every such opening checks.
    virtual void beginAction() {}
    virtual void endAction() {}

    // Looks for content this process did not write (another process's
    // save) and returns a count that changes whenever such content was taken
    // in, so that a caller keeping a copy of some of it knows whether the
    // copy is still true. Nothing when the store cannot tell.
    virtual std::optional<std::uint64_t> outsideChanges() { return std::nullopt; }
};

// Holds one user action open for the life of a scope.
class RegistryAction {
public:
    explicit RegistryAction(Registry& registry) : registry_(registry) { registry_.beginAction(); }
    ~RegistryAction() { registry_.endAction(); }
    RegistryAction(const RegistryAction&) = delete;
    RegistryAction& operator=(const RegistryAction&) = delete;

private:
    Registry& registry_;
};

} // namespace platform
