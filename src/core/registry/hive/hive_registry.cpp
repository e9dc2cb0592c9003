#include "core/registry/hive/hive_registry.h"

#include "core/registry/hive/hive_session.h"
#include "core/registry/registry_names.h"
#include "core/registry/hive/registry_value_data.h"
#include "core/registry/system_registry.h"
#include "core/text/utf16_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

constexpr const char* kHiveRootName = "SOFTWARE";

using Node = HiveTree::Node;
using Touches = HiveSession::Touches;

// Where a key lives: in the hive, or one of the keys above it that this
// backend shows without storing them. Unreadable: a key on its path has sub
// keys that cannot be read, so whether it exists is unknown (never missing).
enum class Place { Missing, Unreadable, Hive, LocalMachine, EmptyRoot };

struct Location {
    Place place = Place::Missing;
    Node node = 0;
};

// A key path as a predefined root and the names below it. Handles keep
// their path, so that they survive a reload of the hive.
struct KeyPath {
    HKEY root = 0;
    std::vector<std::string> parts;
};

bool isHiveRootName(const std::string& name)
{
    return foldedName(name) == kHiveRootName;
}

// True for HKEY_LOCAL_MACHINE\SOFTWARE and the keys below it.
bool isInsideHive(const KeyPath& path)
{
    return path.root == kLocalMachine && !path.parts.empty() && isHiveRootName(path.parts.front());
}

// The names of a key inside the hive below its root key.
KeyNames namesInHive(const KeyPath& path, std::size_t count)
{
    return KeyNames(path.parts.begin() + 1, path.parts.begin() + static_cast<std::ptrdiff_t>(count));
}

// True when path names the key at prefix or one below it.
bool isAtOrBelow(const KeyPath& path, const KeyPath& prefix)
{
    if (path.root != prefix.root || path.parts.size() < prefix.parts.size())
        return false;
    for (std::size_t i = 0; i < prefix.parts.size(); ++i)
        if (foldedName(path.parts[i]) != foldedName(prefix.parts[i]))
            return false;
    return true;
}

// The key rights that access asks for, with the generic rights and
// MAXIMUM_ALLOWED mapped as Windows maps them for keys.
std::uint32_t keyRights(std::uint32_t access, bool writable)
{
    std::uint32_t rights = access & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | kMaximumAllowed);
    if ((access & kGenericRead) != 0)
        rights |= kKeyRead;
    if ((access & kGenericWrite) != 0)
        rights |= kKeyWrite;
    if ((access & kGenericExecute) != 0)
        rights |= kKeyExecute;
    if ((access & kGenericAll) != 0)
        rights |= kKeyAllAccess;
    if ((access & kMaximumAllowed) != 0)
        rights |= writable ? kKeyAllAccess : kKeyRead;
    return rights;
}

struct OpenKey {
    KeyPath path;
    std::uint32_t access = 0;
    Location location;
    std::uint64_t generation = 0;
    // The key was deleted: as on Windows, the handle never again reaches a
    // key of the same name created later.
    bool deleted = false;
};

} // namespace

struct HiveRegistry::State {
    explicit State(const std::string& path) : session(path) {}

    HiveSession session;
    std::unordered_map<HKEY, OpenKey> handles;
    HKEY nextHandle = 1;
    // What resolve gives for a predefined key.
    OpenKey predefined;
    // Loading, saving or exporting buttons looks up many keys under one
    // parent: the last parent found is remembered, by the exact names that
    // led to it, until nodes may have moved or vanished.
    struct {
        std::vector<std::string> parts;
        std::uint64_t generation = 0;
        Node node = 0;
    } lastParent;
    // A listing reads a value below each sub key it has just enumerated: the
    // last one enumerated is taken as it is, without looking its name up.
    struct {
        Node parent = 0;
        std::uint64_t generation = 0;
        std::size_t index = 0;
    } lastEnumerated;
    // Kept from one value read to the next.
    std::vector<std::uint8_t> readBuffer;

    Node enumeratedChild(Node parent, std::string_view name);

    Location locate(const KeyPath& keyPath);
    LSTATUS resolve(HKEY key, const OpenKey** out);
    LSTATUS childPath(HKEY base, const std::string& subKey, KeyPath* out, const OpenKey** baseKey);
    HKEY addHandle(KeyPath keyPath, std::uint32_t access, const Location& location);
    LSTATUS missingKeyCode(Place place);
    LSTATUS copyValue(Node node, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size);
    LSTATUS checkDeletable(const KeyPath& keyPath, Node* parent, Node* key);
    LSTATUS beginValueChange(HKEY key, const OpenKey** open, const std::function<LSTATUS()>& check);
};

Node HiveRegistry::State::enumeratedChild(Node parent, std::string_view name)
{
    if (lastEnumerated.parent != parent || lastEnumerated.generation != session.generation())
        return 0;
    const auto* children = session.tree()->children(parent);
    if (children == nullptr || lastEnumerated.index >= children->size())
        return 0;
    const auto& child = (*children)[lastEnumerated.index];
    return child.name == name ? child.node : 0;
}

Location HiveRegistry::State::locate(const KeyPath& keyPath)
{
    if (keyPath.root != kLocalMachine)
        return {keyPath.parts.empty() ? Place::EmptyRoot : Place::Missing, 0};
    if (keyPath.parts.empty())
        return {Place::LocalMachine, 0};
    HiveTree* tree = session.tree();
    if (!isHiveRootName(keyPath.parts.front()) || tree == nullptr)
        return {};
    const std::size_t parentDepth = keyPath.parts.size() - 1;
    const bool parentKnown = lastParent.node != 0 && lastParent.generation == session.generation() && parentDepth > 0 &&
                             lastParent.parts.size() == parentDepth &&
                             std::equal(lastParent.parts.begin(), lastParent.parts.end(), keyPath.parts.begin());
    Node node = parentKnown ? lastParent.node : tree->root();
    for (std::size_t i = parentKnown ? parentDepth : 1; i < keyPath.parts.size() && node != 0; ++i) {
        if (!tree->childrenReadable(node))
            return {Place::Unreadable, 0};
        if (i == parentDepth && !parentKnown)
            lastParent = {{keyPath.parts.begin(), keyPath.parts.begin() + i}, session.generation(), node};
        node = tree->findChild(node, keyPath.parts[i]);
    }
    if (node == 0)
        return {};
    return {Place::Hive, node};
}

// A key that cannot be found or read, or a hive that could not be reloaded.
LSTATUS HiveRegistry::State::missingKeyCode(Place place)
{
    if (session.tree() == nullptr)
        return kRegistryIoFailed;
    return place == Place::Unreadable ? kRegistryCorrupt : kFileNotFound;
}

// The open key behind a handle, located in the hive as it is now; it stays
// valid until the handle is closed (or, for a predefined key, until the next
// call).
LSTATUS HiveRegistry::State::resolve(HKEY key, const OpenKey** out)
{
    if (isPredefinedKey(key)) {
        predefined.path = KeyPath{key, {}};
        predefined.access = kKeyAllAccess;
        predefined.location = locate(predefined.path);
        *out = &predefined;
        return kSuccess;
    }
    const auto found = handles.find(key);
    if (found == handles.end())
        return kInvalidHandle;
    OpenKey& open = found->second;
    if (open.deleted)
        return kKeyDeleted;
    if (open.generation != session.generation()) {
        open.location = locate(open.path);
        open.generation = session.generation();
    }
    if (open.location.place == Place::Unreadable)
        return kRegistryCorrupt;
    if (open.location.place == Place::Missing) {
        if (session.tree() == nullptr)
            return kRegistryIoFailed;
        open.deleted = true;
        return kKeyDeleted;
    }
    *out = &open;
    return kSuccess;
}

// The path of subKey below the key base, with base resolved into *baseKey.
LSTATUS HiveRegistry::State::childPath(HKEY base, const std::string& subKey, KeyPath* out, const OpenKey** baseKey)
{
    if (isPredefinedKey(base))
        session.refreshIfStale();
    if (const LSTATUS status = resolve(base, baseKey); status != kSuccess)
        return status;
    *out = (*baseKey)->path;
    if (!appendKeyPath(subKey, &out->parts))
        return kBadPathname;
    return kSuccess;
}

// Copies one value of a key in the hive out as queryValue hands it over.
LSTATUS HiveRegistry::State::copyValue(Node node, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                       std::uint32_t* size)
{
    HiveTree& tree = *session.tree();
    std::optional<HiveTree::Value> value;
    if (!tree.findValue(node, valueName, &value))
        return kRegistryCorrupt;
    if (!value)
        return kFileNotFound;
    std::vector<std::uint8_t>& stored = readBuffer;
    if (!tree.readValue(*value, &stored))
        return kRegistryCorrupt;
    // Strings are handed over as 8-bit text, other types as stored.
    const bool isText = isStringType(value->type);
    const std::string text = isText ? utf16leToUtf8(stored.data(), stored.size()) : std::string();
    const std::uint8_t* bytes = isText ? reinterpret_cast<const std::uint8_t*>(text.data()) : stored.data();
    if (type != nullptr)
        *type = value->type;
    if (size == nullptr)
        return kSuccess;
    const auto needed = static_cast<std::uint32_t>(isText ? text.size() : stored.size());
    const bool fits = data == nullptr || *size >= needed;
    if (data != nullptr && fits) {
        std::copy(bytes, bytes + needed, data);
        // Text stored without its terminator (by other software) is ended
        // with a zero where the buffer has room, which the size leaves out,
        // as Windows does.
        if (isText && needed > 0 && needed < *size && data[needed - 1] != 0)
            data[needed] = 0;
    }
    *size = needed;
    return fits ? kSuccess : kMoreData;
}

HKEY HiveRegistry::State::addHandle(KeyPath keyPath, std::uint32_t access, const Location& location)
{
    while (nextHandle == 0 || isPredefinedKey(nextHandle) || handles.count(nextHandle) != 0)
        ++nextHandle;
    const HKEY handle = nextHandle++;
    handles.emplace(handle, OpenKey{std::move(keyPath), access, location, session.generation()});
    return handle;
}

std::unique_ptr<HiveRegistry> HiveRegistry::open(const std::string& path, std::string* error)
{
    if (const auto problem = hiveHeaderProblem(path)) {
        *error = *problem;
        return nullptr;
    }
    auto state = std::make_unique<State>(resolvedPath(path));
    if (!state->session.load()) {
        *error = "The file " + path +
                 (errno == ENOMEM ? " is too large to load into memory." : " is a damaged Windows registry hive.");
        return nullptr;
    }
    return std::unique_ptr<HiveRegistry>(new HiveRegistry(std::move(state)));
}

HiveRegistry::HiveRegistry(std::unique_ptr<State> state) : d(std::move(state))
{
}

HiveRegistry::~HiveRegistry() = default;

const std::string& HiveRegistry::path() const
{
    return d->session.path();
}

bool HiveRegistry::isWritable() const
{
    return d->session.writable();
}

const std::string& HiveRegistry::damage() const
{
    return d->session.damage();
}

void HiveRegistry::checkAhead()
{
    d->session.checkAhead();
}

std::string HiveRegistry::failureDetail() const
{
    const std::string& failure = d->session.commitFailure();
    return failure.empty() ? d->session.damage() : failure;
}

Registry::ChangeRefusal HiveRegistry::changeRefusal() const
{
    HiveSession& session = d->session;
    if (session.writable() || !session.damage().empty())
        return ChangeRefusal::None;
    return session.headerClean() ? ChangeRefusal::ReadOnlyFile : ChangeRefusal::PendingLogs;
}

LSTATUS HiveRegistry::openKey(HKEY root, const std::string& subKey, std::uint32_t access, HKEY* result)
{
    if (result == nullptr)
        return kInvalidParameter;
    KeyPath keyPath;
    const OpenKey* base = nullptr;
    if (const LSTATUS status = d->childPath(root, subKey, &keyPath, &base); status != kSuccess)
        return status;
    const Location location = d->locate(keyPath);
    if (location.place == Place::Missing || location.place == Place::Unreadable)
        return d->missingKeyCode(location.place);
    // Whether the hive may be written takes the structural check: asked
    // only when the answer matters.
    const std::uint32_t rights = keyRights(access, (access & kMaximumAllowed) != 0 && d->session.writable());
    if ((rights & kKeyWriteRights) != 0 && !d->session.writable())
        return d->session.refusal();
    *result = d->addHandle(std::move(keyPath), rights, location);
    return kSuccess;
}

LSTATUS HiveRegistry::queryValue(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t* size)
{
    const OpenKey* open = nullptr;
    if (const LSTATUS status = d->resolve(key, &open); status != kSuccess)
        return status;
    if ((open->access & kKeyQueryValue) == 0)
        return kAccessDenied;
    if (data != nullptr && size == nullptr)
        return kInvalidParameter;
    if (open->location.place != Place::Hive)
        return kFileNotFound;
    return d->copyValue(open->location.node, valueName, type, data, size);
}

// A value of a direct sub key of an open key, the common case of a
// listing, is read without a handle or a path.
LSTATUS HiveRegistry::queryValueBelow(HKEY key, const std::string& subKey, const std::string& valueName,
                                      std::uint32_t* type, std::uint8_t* data, std::uint32_t* size)
{
    if (isPredefinedKey(key) || subKey.empty() || subKey.find('\\') != std::string::npos)
        return Registry::queryValueBelow(key, subKey, valueName, type, data, size);
    const OpenKey* base = nullptr;
    if (const LSTATUS status = d->resolve(key, &base); status != kSuccess)
        return status;
    if (base->location.place != Place::Hive)
        return Registry::queryValueBelow(key, subKey, valueName, type, data, size);
    HiveTree& tree = *d->session.tree();
    if (!tree.childrenReadable(base->location.node))
        return kRegistryCorrupt;
    Node node = d->enumeratedChild(base->location.node, subKey);
    if (node == 0)
        node = tree.findChild(base->location.node, subKey);
    if (node == 0)
        return kFileNotFound;
    if (data != nullptr && size == nullptr)
        return kInvalidParameter;
    return d->copyValue(node, valueName, type, data, size);
}

// Begins a change of the key's values: kSuccess with *open found afresh
// (beginning the change may have reloaded the hive), or the code refusing
// it, with no change begun. check refuses what the caller's own arguments
// forbid, once the key is known to be writable.
LSTATUS HiveRegistry::State::beginValueChange(HKEY key, const OpenKey** open, const std::function<LSTATUS()>& check)
{
    if (const LSTATUS status = resolve(key, open); status != kSuccess)
        return status;
    if (((*open)->access & kKeySetValue) == 0 || (*open)->location.place != Place::Hive)
        return kAccessDenied;
    if (!session.writable())
        return session.refusal();
    if (const LSTATUS status = check(); status != kSuccess)
        return status;
    if (const LSTATUS status = session.checkValuesSafe((*open)->location.node, HiveSession::ValuesTouched::Rewritten);
        status != kSuccess)
        return status;
    const Touches touches =
        session.tree()->isNew((*open)->location.node) ? Touches::NewKeysOnly : Touches::KeysInFile;
    if (const LSTATUS status = session.beginChange(touches); status != kSuccess)
        return status;
    LSTATUS status = resolve(key, open);
    if (status == kSuccess)
        status = session.checkValuesSafe((*open)->location.node, HiveSession::ValuesTouched::Rewritten);
    if (status != kSuccess)
        session.endChange();
    return status;
}

LSTATUS HiveRegistry::setValue(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                               std::uint32_t size)
{
    const OpenKey* open = nullptr;
    std::vector<std::uint8_t> stored;
    const LSTATUS status = d->beginValueChange(key, &open, [&] {
        return isValidValueName(valueName) ? encodeValueData(type, data, size, &stored) : kInvalidParameter;
    });
    if (status != kSuccess)
        return status;
    HiveSession& session = d->session;
    if (!session.tree()->setValue(open->location.node, valueName, type, stored))
        return session.failWrite();
    session.changed(namesInHive(open->path, open->path.parts.size()));
    return kSuccess;
}

LSTATUS HiveRegistry::enumValue(HKEY key, std::uint32_t index, std::string* name, std::uint32_t* type,
                                std::vector<std::uint8_t>* data)
{
    const OpenKey* open = nullptr;
    if (const LSTATUS status = d->resolve(key, &open); status != kSuccess)
        return status;
    if ((open->access & kKeyQueryValue) == 0)
        return kAccessDenied;
    if (name == nullptr)
        return kInvalidParameter;
    if (open->location.place != Place::Hive)
        return kNoMoreItems;
    const auto* values = d->session.tree()->values(open->location.node);
    if (values == nullptr)
        return kRegistryCorrupt;
    if (index >= values->size())
        return kNoMoreItems;
    *name = (*values)[index].name;
    std::uint32_t size = 0;
    if (const LSTATUS status = d->copyValue(open->location.node, *name, type, nullptr, &size); status != kSuccess)
        return status;
    if (data == nullptr)
        return kSuccess;
    data->resize(size);
    return d->copyValue(open->location.node, *name, type, data->data(), &size);
}

LSTATUS HiveRegistry::deleteValue(HKEY key, const std::string& valueName)
{
    const OpenKey* open = nullptr;
    if (const LSTATUS status = d->beginValueChange(key, &open, [] { return kSuccess; }); status != kSuccess)
        return status;
    HiveSession& session = d->session;
    bool found = false;
    if (!session.tree()->deleteValue(open->location.node, valueName, &found))
        return session.failWrite();
    if (!found) {
        session.endChange();
        return kFileNotFound;
    }
    session.changed(namesInHive(open->path, open->path.parts.size()));
    return kSuccess;
}

LSTATUS HiveRegistry::createKey(HKEY root, const std::string& subKey, HKEY* result, bool* created)
{
    if (result == nullptr)
        return kInvalidParameter;
    KeyPath keyPath;
    const OpenKey* base = nullptr;
    if (const LSTATUS status = d->childPath(root, subKey, &keyPath, &base); status != kSuccess)
        return status;
    if (!std::all_of(keyPath.parts.begin() + static_cast<std::ptrdiff_t>(base->path.parts.size()), keyPath.parts.end(),
                     [](const std::string& part) { return isValidKeyName(part); }))
        return kInvalidParameter;
    Location location = d->locate(keyPath);
    bool made = false;
    if (location.place == Place::Unreadable)
        return kRegistryCorrupt; // a key created beside an unreadable one could never be found
    if (location.place == Place::Missing) {
        HiveSession& session = d->session;
        if ((base->access & kKeyCreateSubKey) == 0 || !isInsideHive(keyPath))
            return kAccessDenied;
        if (!session.writable())
            return session.refusal();
        if (const LSTATUS status = session.beginChange(Touches::NewKeysOnly); status != kSuccess)
            return status;
        HiveTree& tree = *session.tree();
        Node node = tree.root();
        for (std::size_t i = 1; i < keyPath.parts.size(); ++i) {
            if (!tree.childrenReadable(node)) {
                session.endChange();
                return kRegistryCorrupt;
            }
            Node child = tree.findChild(node, keyPath.parts[i]);
            if (child == 0) {
                child = tree.addChild(node, keyPath.parts[i]);
                if (child == 0)
                    return session.failWrite();
                session.changed(namesInHive(keyPath, i + 1));
                made = true;
            }
            node = child;
        }
        session.endChange();
        location = {Place::Hive, node};
    }
    *result = d->addHandle(std::move(keyPath), kKeyAllAccess, location);
    if (created != nullptr)
        *created = made;
    return kSuccess;
}

LSTATUS HiveRegistry::enumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameLength)
{
    const OpenKey* open = nullptr;
    if (const LSTATUS status = d->resolve(key, &open); status != kSuccess)
        return status;
    if ((open->access & kKeyEnumerateSubKeys) == 0)
        return kAccessDenied;
    if (name == nullptr || nameLength == nullptr)
        return kInvalidParameter;
    const std::string* found = nullptr;
    switch (open->location.place) {
    case Place::LocalMachine:
        if (index > 0)
            return kNoMoreItems;
        static const std::string rootName = kHiveRootName;
        found = &rootName;
        break;
    case Place::Hive: {
        const auto* children = d->session.tree()->children(open->location.node);
        if (children == nullptr)
            return kRegistryCorrupt;
        if (index >= children->size())
            return kNoMoreItems;
        found = &(*children)[index].name;
        d->lastEnumerated = {open->location.node, d->session.generation(), index};
        break;
    }
    default:
        return kNoMoreItems;
    }
    if (found->size() + 1 > *nameLength)
        return kMoreData;
    std::memcpy(name, found->c_str(), found->size() + 1);
    *nameLength = static_cast<std::uint32_t>(found->size());
    return kSuccess;
}

std::optional<std::uint32_t> HiveRegistry::subKeyCount(HKEY key)
{
    const OpenKey* open = nullptr;
    if (d->resolve(key, &open) != kSuccess || open->location.place != Place::Hive)
        return std::nullopt;
    const auto* children = d->session.tree()->children(open->location.node);
    if (children == nullptr)
        return std::nullopt;
    return static_cast<std::uint32_t>(children->size());
}

// Whether the key at keyPath may be deleted now: kSuccess with its and its
// parent's nodes, or the code refusing it.
LSTATUS HiveRegistry::State::checkDeletable(const KeyPath& keyPath, Node* parent, Node* key)
{
    KeyPath parentPath = keyPath;
    parentPath.parts.pop_back();
    const Location parentLocation = locate(parentPath);
    const Location location = locate(keyPath);
    if (location.place != Place::Hive || parentLocation.place != Place::Hive)
        return missingKeyCode(parentLocation.place == Place::Hive ? location.place : parentLocation.place);
    const auto* children = session.tree()->children(location.node);
    if (children == nullptr)
        return kRegistryCorrupt;
    if (!children->empty())
        return kAccessDenied; // as Windows: only keys without sub keys
    *parent = parentLocation.node;
    *key = location.node;
    return session.checkValuesSafe(location.node, HiveSession::ValuesTouched::Freed);
}

LSTATUS HiveRegistry::deleteKey(HKEY root, const std::string& subKey)
{
    KeyPath keyPath;
    const OpenKey* base = nullptr;
    if (const LSTATUS status = d->childPath(root, subKey, &keyPath, &base); status != kSuccess)
        return status;
    if (const Place place = d->locate(keyPath).place; place == Place::Missing || place == Place::Unreadable)
        return d->missingKeyCode(place);
    // The hive's root and the keys shown above it cannot be deleted.
    HiveSession& session = d->session;
    if (!isInsideHive(keyPath) || keyPath.parts.size() < 2)
        return kAccessDenied;
    if (!session.writable())
        return session.refusal();
    Node parent = 0;
    Node key = 0;
    if (const LSTATUS status = d->checkDeletable(keyPath, &parent, &key); status != kSuccess)
        return status;
    if (const LSTATUS status = session.beginChange(); status != kSuccess)
        return status;
    // Beginning the change may have reloaded the hive: check again.
    if (const LSTATUS status = d->checkDeletable(keyPath, &parent, &key); status != kSuccess) {
        session.endChange();
        return status;
    }
    if (!session.tree()->deleteChild(parent, key))
        return session.failWrite();
    session.changed(namesInHive(keyPath, keyPath.parts.size()), true);
    for (auto& [handle, open] : d->handles)
        open.deleted = open.deleted || isAtOrBelow(open.path, keyPath);
    return kSuccess;
}

LSTATUS HiveRegistry::closeKey(HKEY key)
{
    if (isPredefinedKey(key))
        return kSuccess;
    return d->handles.erase(key) != 0 ? kSuccess : kInvalidHandle;
}

LSTATUS HiveRegistry::flush()
{
    return d->session.commit();
}

void HiveRegistry::discardChanges()
{
    d->session.forgetChanges();
}

void HiveRegistry::beginAction()
{
    d->session.beginAction();
}

void HiveRegistry::endAction()
{
    d->session.endAction();
}

std::optional<std::uint64_t> HiveRegistry::outsideChanges()
{
    d->session.refreshIfStale();
    return d->session.loads();
}

// Linux has no registry of its own: the program edits hive files.
std::unique_ptr<Registry> openSystemRegistry()
{
    return nullptr;
}

std::unique_ptr<Registry> openHiveFile(const std::string& path, std::string* error)
{
    return HiveRegistry::open(path, error);
}

} // namespace platform
