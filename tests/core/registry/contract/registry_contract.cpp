#include "registry_contract.h"
#include "support/registry_tree.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

using namespace platform;

namespace {

const std::string kBase = "SOFTWARE\\PennantContract";

// Values as a failure message shows them: text with its bytes escaped.
std::string shown(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            const char* digits = "0123456789ABCDEF";
            out += {'\\', 'x', digits[byte >> 4], digits[byte & 15]};
        }
    }
    return out + "\"";
}
std::string shown(const std::vector<std::string>& texts)
{
    std::string out;
    for (const std::string& text : texts)
        out += (out.empty() ? "" : " ") + shown(text);
    return "{" + out + "}";
}
template <typename T> std::string shown(const T& number)
{
    return std::to_string(number);
}

// What one row sees: the registry, its own empty key, and checks that
// collect failures instead of stopping at the first.
class Case {
public:
    Case(Registry& registry, Backend backend, std::string key) : reg(registry), hive(backend == Backend::Hive), path(std::move(key)) {}
    ~Case()
    {
        for (const HKEY key : opened_)
            reg.closeKey(key);
    }

    Registry& reg;
    const bool hive;
    const std::string path; // this row's key, below HKEY_LOCAL_MACHINE

    void expect(LSTATUS actual, LSTATUS expected, const std::string& what)
    {
        if (actual != expected)
            fail(what + ": got " + std::to_string(actual) + ", expected " + std::to_string(expected));
    }
    template <typename T> void expectEqual(const T& actual, const T& expected, const std::string& what)
    {
        if (!(actual == expected))
            fail(what + ": got " + shown(actual) + ", expected " + shown(expected));
    }
    void fail(const std::string& message) { failures_.push_back(message); }
    const std::vector<std::string>& failures() const { return failures_; }

    // Creates path\sub (or the row's key itself) and returns a handle to it.
    HKEY create(const std::string& sub = {})
    {
        HKEY key = 0;
        expect(reg.createKey(kLocalMachine, join(sub), &key), kSuccess, "create " + join(sub));
        return keep(key);
    }
    HKEY keep(HKEY key)
    {
        if (key != 0)
            opened_.push_back(key);
        return key;
    }
    std::string join(const std::string& sub) const { return sub.empty() ? path : path + "\\" + sub; }

    LSTATUS open(const std::string& sub, std::uint32_t access, HKEY* key = nullptr)
    {
        HKEY opened = 0;
        const LSTATUS status = reg.openKey(kLocalMachine, join(sub), access, &opened);
        keep(opened);
        if (key != nullptr)
            *key = opened;
        return status;
    }
    LSTATUS setText(HKEY key, const std::string& name, const std::string& text, std::uint32_t type = kRegSz)
    {
        return reg.setValue(key, name, type, bytes(text), static_cast<std::uint32_t>(text.size()));
    }
    LSTATUS setDword(HKEY key, const std::string& name, std::uint32_t value)
    {
        return reg.setValue(key, name, kRegDword, reinterpret_cast<const std::uint8_t*>(&value), 4);
    }
    // The value's type and bytes, or the failing status.
    LSTATUS get(HKEY key, const std::string& name, std::uint32_t* type, std::string* data)
    {
        std::uint8_t buffer[4096];
        std::uint32_t size = sizeof buffer;
        const LSTATUS status = reg.queryValue(key, name, type, buffer, &size);
        if (status == kSuccess)
            data->assign(reinterpret_cast<const char*>(buffer), size);
        return status;
    }
    // The sub key names in enumeration order.
    std::vector<std::string> subKeys(HKEY key)
    {
        std::vector<std::string> names;
        char name[1024];
        for (std::uint32_t i = 0;; ++i) {
            std::uint32_t length = sizeof name;
            const LSTATUS status = reg.enumKey(key, i, name, &length);
            if (status != kSuccess) {
                expect(status, kNoMoreItems, "end of enumeration");
                return names;
            }
            names.emplace_back(name, length);
        }
    }
    static const std::uint8_t* bytes(const std::string& text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }

private:
    std::vector<HKEY> opened_;
    std::vector<std::string> failures_;
};

struct Row {
    const char* name;
    // One line when the hive backend deliberately differs from Windows here.
    const char* hiveDifference;
    std::function<void(Case&)> run;
};

const std::string k255(255, 'k');
const std::string k256(256, 'k');

const std::vector<Row> kRows = {
    {"a missing key gives 2", nullptr, [](Case& c) {
        c.expect(c.open("missing", kKeyRead), kFileNotFound, "open");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("missing")), kFileNotFound, "delete");
    }},
    {"enumValue lists every value with its type and data, then gives 259", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setText(key, "b", std::string("t\0", 2)), kSuccess, "set b");
        c.expect(c.setDword(key, "a", 7), kSuccess, "set a");
        c.expect(c.setText(key, "", std::string("%d%\0", 4), kRegExpandSz), kSuccess, "set default");
        std::vector<std::string> seen;
        for (std::uint32_t i = 0;; ++i) {
            std::string name;
            std::uint32_t type = 0;
            std::vector<std::uint8_t> data;
            const LSTATUS status = c.reg.enumValue(key, i, &name, &type, &data);
            if (status != kSuccess) {
                c.expect(status, kNoMoreItems, "end of values");
                break;
            }
            seen.push_back(name + "=" + std::to_string(type) + ":" + std::string(data.begin(), data.end()));
        }
        std::sort(seen.begin(), seen.end());
        c.expectEqual(seen, std::vector<std::string>{std::string("=2:%d%\0", 7), "a=4:\x07" + std::string(3, '\0'),
                                                     std::string("b=1:t\0", 6)},
                      "values");
    }},
    {"deleteValue removes one value; a missing one gives 2", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setText(key, "Gone", "x"), kSuccess, "set Gone");
        c.expect(c.setText(key, "kept", "y"), kSuccess, "set kept");
        c.expect(c.reg.deleteValue(key, "gone"), kSuccess, "delete in other letter case");
        std::string data;
        c.expect(c.get(key, "Gone", nullptr, &data), kFileNotFound, "read the deleted value");
        c.expect(c.get(key, "kept", nullptr, &data), kSuccess, "read the other value");
        c.expect(c.reg.deleteValue(key, "Gone"), kFileNotFound, "delete again");
    }},
    {"create tells a new key from an existing one, and makes missing parents", nullptr, [](Case& c) {
        HKEY key = 0;
        bool created = false;
        c.expect(c.reg.createKey(kLocalMachine, c.join("a\\b\\c"), &key, &created), kSuccess, "create a\\b\\c");
        c.keep(key);
        c.expectEqual(created, true, "first create makes the key");
        c.expect(c.reg.createKey(kLocalMachine, c.join("A\\B\\C"), &key, &created), kSuccess, "create again");
        c.keep(key);
        c.expectEqual(created, false, "second create finds the key");
        c.expect(c.open("a\\b", kKeyRead), kSuccess, "parent made on the way");
    }},
    {"an empty sub key opens the key itself", nullptr, [](Case& c) {
        const HKEY key = c.create();
        HKEY same = 0;
        c.expect(c.reg.openKey(key, "", kKeyRead, &same), kSuccess, "open \"\"");
        c.keep(same);
        c.expect(c.setText(key, "v", "x"), kSuccess, "set");
        std::string data;
        c.expect(c.get(same, "v", nullptr, &data), kSuccess, "read through the second handle");
    }},
    {"one trailing backslash names the key itself", nullptr, [](Case& c) {
        c.create("k");
        c.expect(c.open("k\\", kKeyRead), kSuccess, "open k\\");
        HKEY key = 0;
        bool created = false;
        c.expect(c.reg.createKey(kLocalMachine, c.join("t\\"), &key, &created), kSuccess, "create t\\");
        c.keep(key);
        c.expectEqual(created, true, "t\\ made");
        c.expect(c.open("t", kKeyRead), kSuccess, "t exists");
    }},
    {"a leading backslash gives 161", nullptr, [](Case& c) {
        HKEY key = 0;
        c.expect(c.reg.openKey(kLocalMachine, "\\" + c.path, kKeyRead, &key), kBadPathname, "open");
        c.keep(key);
    }},
    {"key names differing only in letter case are one key", nullptr, [](Case& c) {
        c.create("Mixed Case");
        c.expect(c.open("mIXED cASE", kKeyRead), kSuccess, "open in other case");
        HKEY key = 0;
        bool created = true;
        c.expect(c.reg.createKey(kLocalMachine, c.join("MIXED CASE"), &key, &created), kSuccess, "create");
        c.keep(key);
        c.expectEqual(created, false, "no second key");
        c.expectEqual(c.subKeys(c.create()), std::vector<std::string>{"Mixed Case"}, "first spelling kept");
    }},
    {"letters fold as Windows folds them, unit by unit", nullptr, [](Case& c) {
        // Latin and Greek letters fold; dotless i, long s, micro sign, the
        // title-case digraph and letters outside the BMP stay themselves.
        for (const char* name : {"\xC3\xA4pfel", "\xCE\xB1\xCE\xB2", "\xC7\x86", "x\xC4\xB1", "x\xC5\xBF", "x\xC2\xB5",
                                 "\xC7\x85", "\xF0\x90\x90\xA8"})
            c.create(name);
        for (const char* folded : {"\xC3\x84PFEL", "\xCE\x91\xCE\x92", "\xC7\x84"})
            c.expect(c.open(folded, kKeyRead), kSuccess, std::string("open ") + folded);
        for (const char* other : {"XI", "XS", "X\xCE\x9C", "\xF0\x90\x90\x80"})
            c.expect(c.open(other, kKeyRead), kFileNotFound, std::string("open ") + other);
        c.expectEqual(c.subKeys(c.create()).size(), std::size_t{8}, "eight keys");
    }},
    {"sub keys enumerate in Windows' order", nullptr, [](Case& c) {
        // Upper-cased UTF-16 units in order: a surrogate pair before U+FF21.
        // ("[" to "`" are left out: Wine sorts them as if lower-cased.)
        for (const char* name : {"b", "Z", "A", "\xC3\xA9", "\xEF\xBC\xA1", "\xF0\x90\x90\x80", "\xC3\x84" "b", "\xC3\xA4" "a"})
            c.create(name);
        const std::vector<std::string> expected = {"A", "b", "Z", "\xC3\xA4" "a", "\xC3\x84" "b",
                                                   "\xC3\xA9", "\xF0\x90\x90\x80", "\xEF\xBC\xA1"};
        c.expectEqual(c.subKeys(c.create()), expected, "order");
    }},
    {"a key name of 255 characters", nullptr, [](Case& c) {
        HKEY key = 0;
        c.expect(c.reg.createKey(c.create(), k255, &key), kSuccess, "create");
        c.keep(key);
        char name[300];
        std::uint32_t length = 255;
        c.expect(c.reg.enumKey(c.create(), 0, name, &length), kMoreData, "enum without room for the terminator");
        length = 256;
        c.expect(c.reg.enumKey(c.create(), 0, name, &length), kSuccess, "enum");
        c.expectEqual(length, std::uint32_t{255}, "length without terminator");
    }},
    {"a key name of 256 characters", "the hive backend refuses key names over 255 characters", [](Case& c) {
        HKEY key = 0;
        c.expect(c.reg.createKey(c.create(), k256, &key), c.hive ? kInvalidParameter : kSuccess, "create");
        c.keep(key);
    }},
    {"enumeration past the last sub key gives 259", nullptr, [](Case& c) {
        const HKEY key = c.create();
        char name[16];
        std::uint32_t length = sizeof name;
        c.expect(c.reg.enumKey(key, 0, name, &length), kNoMoreItems, "empty key");
        c.create("only");
        length = sizeof name;
        c.expect(c.reg.enumKey(key, 1, name, &length), kNoMoreItems, "index 1 of 1");
    }},
    {"a missing value gives 2, also the default value of a new key", nullptr, [](Case& c) {
        const HKEY key = c.create();
        std::uint32_t size = 0;
        c.expect(c.reg.queryValue(key, "missing", nullptr, nullptr, &size), kFileNotFound, "named");
        c.expect(c.reg.queryValue(key, "", nullptr, nullptr, &size), kFileNotFound, "default");
    }},
    {"the default value has the empty name", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setText(key, "", std::string("def\0", 4)), kSuccess, "set");
        std::uint32_t type = 0;
        std::string data;
        c.expect(c.get(key, "", &type, &data), kSuccess, "query");
        c.expectEqual(data, std::string("def\0", 4), "data");
    }},
    {"value names differing only in letter case are one value", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setDword(key, "Name", 1), kSuccess, "set Name");
        c.expect(c.setDword(key, "NAME", 2), kSuccess, "set NAME");
        std::string data;
        c.expect(c.get(key, "name", nullptr, &data), kSuccess, "query name");
        c.expectEqual(data, std::string("\x02\0\0\0", 4), "the second write won");
    }},
    {"strings keep their terminator and UTF-8 text", nullptr, [](Case& c) {
        const HKEY key = c.create();
        const std::string text("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\0", 15);
        c.expect(c.setText(key, "s", text), kSuccess, "set");
        std::uint32_t type = 0;
        std::string data;
        c.expect(c.get(key, "s", &type, &data), kSuccess, "query");
        c.expectEqual(type, kRegSz, "type");
        c.expectEqual(data, text, "data");
    }},
    {"text without its terminator is stored with one", nullptr, [](Case& c) {
        const HKEY key = c.create();
        for (const std::uint32_t type : {kRegSz, kRegExpandSz}) {
            c.expect(c.setText(key, "s", "abc", type), kSuccess, "set");
            std::string data;
            c.expect(c.get(key, "s", nullptr, &data), kSuccess, "query");
            c.expectEqual(data, std::string("abc\0", 4), "data");
        }
    }},
    {"a query ends text stored without a terminator with a zero where there is room",
     "the hive backend adds the missing terminator whenever text lacks one; Windows only when the byte after the "
     "caller's data is zero, which it reads beyond the given size",
     [](Case& c) {
         const HKEY key = c.create();
         const std::string data = "abcX"; // three bytes given, followed by a byte that is not zero
         c.expect(c.reg.setValue(key, "s", kRegSz, c.bytes(data), 3), kSuccess, "set");
         std::uint8_t buffer[8];
         std::fill(std::begin(buffer), std::end(buffer), std::uint8_t{'#'});
         std::uint32_t size = sizeof buffer;
         c.expect(c.reg.queryValue(key, "s", nullptr, buffer, &size), kSuccess, "query");
         c.expectEqual(size, std::uint32_t{c.hive ? 4u : 3u}, "size");
         c.expectEqual(std::string(reinterpret_cast<char*>(buffer), 5), std::string("abc\0#", 5), "data");
     }},
    {"doubled backslashes inside a path separate like one", nullptr, [](Case& c) {
        c.create("a\\b");
        c.expect(c.open("a\\b", kKeyRead), kSuccess, "open a\\b");
        c.expect(c.open("a\\\\b\\\\", kKeyRead), kSuccess, "open a\\\\b\\\\");
        c.expectEqual(c.subKeys(c.create("a")), std::vector<std::string>{"b"}, "one key b below a");
    }},
    {"sizes: null data asks the size, a short buffer gives 234", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setText(key, "s", std::string("abcdef\0", 7)), kSuccess, "set");
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        c.expect(c.reg.queryValue(key, "s", &type, nullptr, &size), kSuccess, "size only");
        c.expectEqual(size, std::uint32_t{7}, "size needed");
        std::uint8_t small[3];
        size = sizeof small;
        c.expect(c.reg.queryValue(key, "s", &type, small, &size), kMoreData, "short buffer");
        c.expectEqual(size, std::uint32_t{7}, "size needed after 234");
        c.expect(c.reg.queryValue(key, "s", &type, nullptr, nullptr), kSuccess, "type only");
        c.expectEqual(type, kRegSz, "type");
    }},
    {"a value below an open key reads as opening the sub key would", nullptr, [](Case& c) {
        const HKEY base = c.create();
        c.expect(c.setText(c.create("Child"), "s", std::string("text\0", 5)), kSuccess, "set");
        c.expect(c.setText(c.create("Child\\Grand"), "g", std::string("deep\0", 5)), kSuccess, "set below");
        const auto below = [&c, base](const std::string& sub, const std::string& name, std::uint8_t* data,
                                      std::uint32_t* size, std::uint32_t* type = nullptr) {
            return c.reg.queryValueBelow(base, sub, name, type, data, size);
        };
        std::uint8_t buffer[16];
        std::uint32_t size = sizeof buffer;
        std::uint32_t type = 0;
        c.expect(below("child", "S", buffer, &size, &type), kSuccess, "direct sub key, other case");
        c.expectEqual(std::string(reinterpret_cast<char*>(buffer), size), std::string("text\0", 5), "data");
        c.expectEqual(type, kRegSz, "type");
        size = sizeof buffer;
        c.expect(below("Child\\Grand", "g", buffer, &size), kSuccess, "two levels down");
        c.expectEqual(size, std::uint32_t{5}, "size of the deeper value");
        size = 2;
        c.expect(below("Child", "s", buffer, &size), kMoreData, "short buffer");
        c.expectEqual(size, std::uint32_t{5}, "size needed");
        size = 0;
        c.expect(below("Child", "s", nullptr, &size), kSuccess, "size only");
        c.expect(below("Child", "missing", buffer, &size), kFileNotFound, "missing value");
        c.expect(below("Missing", "s", buffer, &size), kFileNotFound, "missing sub key");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("Child\\Grand")), kSuccess, "delete below");
        c.expect(below("Child\\Grand", "g", buffer, &size), kFileNotFound, "deleted sub key");
        c.expect(c.reg.queryValueBelow(0x1234, "Child", "s", nullptr, nullptr, &size), kInvalidHandle, "bogus handle");
    }},
    {"types are kept: expandable and multiple strings, binary, DWORD, none", nullptr, [](Case& c) {
        const HKEY key = c.create();
        const std::pair<std::uint32_t, std::string> values[] = {
            {kRegExpandSz, std::string("%TEMP%\0", 7)}, {kRegMultiSz, std::string("a\0bc\0\0", 6)},
            {kRegBinary, std::string("\x00\xFF\x10", 3)}, {kRegDword, std::string("\x78\x56\x34\x12", 4)},
            {kRegNone, std::string("\x01", 1)}};
        for (const auto& [type, bytes] : values) {
            const std::string name = "t" + std::to_string(type);
            c.expect(c.reg.setValue(key, name, type, Case::bytes(bytes), static_cast<std::uint32_t>(bytes.size())),
                     kSuccess, "set " + name);
            std::uint32_t stored = 0;
            std::string data;
            c.expect(c.get(key, name, &stored, &data), kSuccess, "query " + name);
            c.expectEqual(stored, type, "type of " + name);
            c.expectEqual(data, bytes, "data of " + name);
        }
    }},
    {"REG_DWORD data that is not 4 bytes", "the hive backend refuses REG_DWORD data that is not 4 bytes", [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setText(key, "d", "12", kRegDword), c.hive ? kInvalidParameter : kSuccess, "set 2 bytes");
    }},
    {"string data that is not valid text", "the hive backend refuses string data that is not valid UTF-8", [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setText(key, "s", std::string("\xFF\xFE\0", 3)), c.hive ? kInvalidParameter : kSuccess, "set");
    }},
    {"a key with sub keys is not deleted (5); without them it is", nullptr, [](Case& c) {
        c.create("parent\\child");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("parent")), kAccessDenied, "delete parent");
        c.expect(c.open("parent\\child", kKeyRead), kSuccess, "child still there");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("parent\\child")), kSuccess, "delete child");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("parent")), kSuccess, "delete parent");
        c.expect(c.open("parent", kKeyRead), kFileNotFound, "parent gone");
    }},
    {"a handle to a deleted key fails with 1018, even once the name is made again", nullptr, [](Case& c) {
        HKEY old = 0;
        c.create("gone");
        c.expect(c.open("gone", kKeyAllAccess, &old), kSuccess, "open");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("gone")), kSuccess, "delete");
        const HKEY fresh = c.create("gone");
        c.expect(c.setText(fresh, "v", "new"), kSuccess, "set on the new key");
        std::uint32_t size = 0;
        char name[16];
        std::uint32_t length = sizeof name;
        HKEY sub = 0;
        c.expect(c.reg.queryValue(old, "v", nullptr, nullptr, &size), kKeyDeleted, "query");
        c.expect(c.setText(old, "w", "x"), kKeyDeleted, "set");
        c.expect(c.reg.enumKey(old, 0, name, &length), kKeyDeleted, "enum");
        c.expect(c.reg.createKey(old, "sub", &sub), kKeyDeleted, "create below");
        c.keep(sub);
        c.expect(c.reg.closeKey(old), kSuccess, "close");
    }},
    {"closed and bogus handles give 6", nullptr, [](Case& c) {
        HKEY key = 0;
        c.create("k");
        c.expect(c.reg.openKey(kLocalMachine, c.join("k"), kKeyRead, &key), kSuccess, "open");
        c.expect(c.reg.closeKey(key), kSuccess, "close");
        std::uint32_t size = 0;
        c.expect(c.reg.queryValue(key, "", nullptr, nullptr, &size), kInvalidHandle, "query closed");
        c.expect(c.reg.closeKey(key), kInvalidHandle, "close twice");
        c.expect(c.reg.queryValue(0x7A5C1D00, "", nullptr, nullptr, &size), kInvalidHandle, "query bogus");
        c.expect(c.reg.openKey(0x7A5C1D00, "", kKeyRead, &key), kInvalidHandle, "open below bogus");
    }},
    {"predefined roots open and close", nullptr, [](Case& c) {
        c.create();
        for (const HKEY root : {kLocalMachine, kCurrentUser, kUsers, kClassesRoot}) {
            HKEY key = 0;
            c.expect(c.reg.openKey(root, "", kKeyRead, &key), kSuccess, "open root " + std::to_string(root));
            c.keep(key);
            c.expect(c.reg.closeKey(root), kSuccess, "close root " + std::to_string(root));
        }
        c.expect(c.open("", kKeyRead), kSuccess, "the root still works after closing it");
    }},
    {"keys outside SOFTWARE", "the hive backend holds only HKEY_LOCAL_MACHINE\\SOFTWARE, the one writable root", [](Case& c) {
        HKEY key = 0;
        c.expect(c.reg.createKey(kCurrentUser, "Software\\PennantContract", &key), c.hive ? kAccessDenied : kSuccess, "create");
        c.keep(key);
        if (!c.hive)
            c.expect(c.reg.deleteKey(kCurrentUser, "Software\\PennantContract"), kSuccess, "clean up");
    }},
    {"access rights are checked per handle", nullptr, [](Case& c) {
        const HKEY writer = c.create();
        c.expect(c.setText(writer, "v", "x"), kSuccess, "set");
        HKEY reader = 0;
        HKEY setter = 0;
        HKEY nothing = 0;
        c.expect(c.open("", kKeyRead, &reader), kSuccess, "open KEY_READ");
        c.expect(c.open("", kKeySetValue, &setter), kSuccess, "open KEY_SET_VALUE");
        c.expect(c.open("", 0, &nothing), kSuccess, "open with no rights");
        std::uint32_t size = 0;
        char name[16];
        std::uint32_t length = sizeof name;
        c.expect(c.setText(reader, "v", "y"), kAccessDenied, "set through KEY_READ");
        c.expect(c.reg.queryValue(setter, "v", nullptr, nullptr, &size), kAccessDenied, "query through KEY_SET_VALUE");
        c.expect(c.reg.enumKey(nothing, 0, name, &length), kAccessDenied, "enum with no rights");
    }},
    {"generic rights and MAXIMUM_ALLOWED map to key rights", nullptr, [](Case& c) {
        const HKEY writer = c.create();
        c.expect(c.setText(writer, "v", "x"), kSuccess, "set");
        const struct {
            std::uint32_t access;
            LSTATUS query;
            LSTATUS set;
        } cases[] = {{kGenericRead, kSuccess, kAccessDenied},
                     {kGenericWrite, kAccessDenied, kSuccess},
                     {kGenericAll, kSuccess, kSuccess},
                     {kMaximumAllowed, kSuccess, kSuccess}};
        for (const auto& each : cases) {
            HKEY key = 0;
            const std::string what = "access " + std::to_string(each.access);
            c.expect(c.open("", each.access, &key), kSuccess, "open with " + what);
            std::uint32_t size = 0;
            c.expect(c.reg.queryValue(key, "v", nullptr, nullptr, &size), each.query, "query with " + what);
            c.expect(c.setText(key, "v", "y"), each.set, "set with " + what);
        }
    }},
    {"flush succeeds and keeps what was written", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setDword(key, "kept", 7), kSuccess, "set");
        c.expect(c.reg.flush(), kSuccess, "flush");
        std::string data;
        c.expect(c.get(key, "kept", nullptr, &data), kSuccess, "query after flush");
    }},
    {"discardChanges takes back every change since the last flush", nullptr, [](Case& c) {
        const HKEY key = c.create();
        c.expect(c.setDword(key, "kept", 1), kSuccess, "set kept");
        c.create("deleted");
        c.expect(c.setDword(c.create("deleted"), "inside", 4), kSuccess, "set inside");
        c.expect(c.reg.flush(), kSuccess, "flush");
        c.expect(c.setDword(key, "kept", 2), kSuccess, "change kept");
        c.expect(c.setDword(key, "new", 3), kSuccess, "set new");
        c.create("made\\below");
        c.expect(c.reg.deleteKey(kLocalMachine, c.join("deleted")), kSuccess, "delete");
        c.reg.discardChanges();
        std::string data;
        c.expect(c.get(key, "kept", nullptr, &data), kSuccess, "query kept");
        c.expectEqual(data, std::string("\x01\0\0\0", 4), "kept as flushed");
        c.expect(c.get(key, "new", nullptr, &data), kFileNotFound, "query new");
        c.expect(c.open("made", kKeyRead), kFileNotFound, "open made");
        HKEY again = 0;
        c.expect(c.open("deleted", kKeyRead, &again), kSuccess, "open deleted");
        c.expect(c.get(again, "inside", nullptr, &data), kSuccess, "its value is back");
    }},
};

} // namespace

int runRegistryContract(Registry& registry, Backend backend)
{
    registry_tree::deleteTree(registry, kBase);
    int passed = 0;
    int failed = 0;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        Case c(registry, backend, kBase + "\\" + std::to_string(i));
        row.run(c);
        if (c.failures().empty()) {
            ++passed;
            continue;
        }
        ++failed;
        std::cout << "FAIL: " << row.name << '\n';
        for (const std::string& failure : c.failures())
            std::cout << "  " << failure << '\n';
    }
    registry_tree::deleteTree(registry, kBase);
    registry.flush();
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed;
}
