#include "fixture_hive.h"

#include "core/hive_format/blank_hive.h"
#include "core/services/button_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

namespace bench {

namespace {

constexpr std::uint32_t kBlockSize = 4096;
constexpr std::uint32_t kBinHeaderSize = 0x20;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
constexpr std::uint16_t kRootKeyFlags = 0x2C; // hive entry, not deletable, ASCII name
constexpr std::uint16_t kKeyFlags = 0x20;     // ASCII name
constexpr std::uint16_t kValueAsciiName = 0x0001;
constexpr std::uint32_t kInlineData = 0x80000000; // data of up to four bytes lives in the offset field
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;

std::uint32_t cellSize(std::size_t contentSize)
{
    return static_cast<std::uint32_t>((4 + contentSize + 7) & ~std::size_t{7});
}

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return out;
}

// The hash that "lh" sub key lists keep beside each entry.
std::uint32_t nameHash(std::string_view name)
{
    std::uint32_t hash = 0;
    for (unsigned char c : name)
        hash = hash * 37 + static_cast<std::uint32_t>(std::toupper(c));
    return hash;
}

std::vector<std::uint8_t> utf16z(std::string_view text)
{
    std::vector<std::uint8_t> out;
    out.reserve(2 * text.size() + 2);
    for (unsigned char c : text) {
        out.push_back(c);
        out.push_back(0);
    }
    out.insert(out.end(), {0, 0});
    return out;
}

// A deterministic scramble, so that generated names are spread over the
// sorted sub key list as identifiers made by a random generator are.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::string guidName(std::uint64_t seed)
{
    const std::uint64_t a = mix(seed);
    const std::uint64_t b = mix(a);
    char name[40];
    std::snprintf(name, sizeof name, "{%08X-%04X-4%03X-8%03X-%012llX}", unsigned(a >> 32), unsigned(a >> 16) & 0xFFFF,
                  unsigned(a) & 0xFFF, unsigned(b >> 52), static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
    return name;
}

std::string numbered(const char* format, int i)
{
    char text[160];
    std::snprintf(text, sizeof text, format, i);
    return text;
}

} // namespace

FixtureHive::FixtureHive()
{
    keys_.push_back({"ROOT", 0, {}, {}});
}

FixtureHive::Key FixtureHive::addKey(Key parent, std::string name)
{
    keys_.push_back({std::move(name), parent, {}, {}});
    keys_[parent].children.push_back(keys_.size() - 1);
    return keys_.size() - 1;
}

void FixtureHive::addString(Key key, std::string name, std::string_view text)
{
    keys_[key].values.push_back({std::move(name), kRegSz, utf16z(text)});
}

void FixtureHive::addBinary(Key key, std::string name, const std::vector<std::uint8_t>& data)
{
    keys_[key].values.push_back({std::move(name), kRegBinary, data});
}

void FixtureHive::put16(std::uint32_t cell, std::size_t at, std::uint16_t v)
{
    for (int i = 0; i < 2; ++i)
        bins_[cell + at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void FixtureHive::put32(std::uint32_t cell, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bins_[cell + at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void FixtureHive::putText(std::uint32_t cell, std::size_t at, std::string_view text)
{
    std::copy(text.begin(), text.end(), bins_.begin() + static_cast<std::ptrdiff_t>(cell + at));
}

// A used cell with room for contentSize bytes after its size field. Cells
// never cross a bin; the unused end of a full bin becomes a free cell.
std::uint32_t FixtureHive::allocate(std::size_t contentSize)
{
    const std::uint32_t size = cellSize(contentSize);
    auto used = static_cast<std::uint32_t>(used_);
    if (used + size > binEnd_) {
        if (binEnd_ > used)
            put32(used, 0, binEnd_ - used); // free cell: positive size
        const std::uint32_t binStart = binEnd_;
        const std::uint32_t binSize = (size + kBinHeaderSize + kBlockSize - 1) / kBlockSize * kBlockSize;
        binEnd_ = binStart + binSize;
        bins_.resize(binEnd_, 0);
        putText(binStart, 0, "hbin");
        put32(binStart, 0x04, binStart);
        put32(binStart, 0x08, binSize);
        put32(binStart, 0x14, static_cast<std::uint32_t>(now_));
        put32(binStart, 0x18, static_cast<std::uint32_t>(now_ >> 32));
        used = binStart + kBinHeaderSize;
    }
    put32(used, 0, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    used_ = used + size;
    return used;
}

std::uint32_t FixtureHive::writeValue(const Value& value)
{
    const std::uint32_t vk = allocate(0x14 + value.name.size());
    const auto length = static_cast<std::uint32_t>(value.data.size());
    putText(vk, 4, "vk");
    put16(vk, 4 + 0x02, static_cast<std::uint16_t>(value.name.size()));
    put32(vk, 4 + 0x0C, value.type);
    put16(vk, 4 + 0x10, value.name.empty() ? 0 : kValueAsciiName);
    putText(vk, 4 + 0x14, value.name);
    if (length <= 4) {
        put32(vk, 4 + 0x04, length | kInlineData);
        std::copy(value.data.begin(), value.data.end(), bins_.begin() + vk + 4 + 0x08);
    } else {
        put32(vk, 4 + 0x04, length);
        const std::uint32_t data = allocate(length);
        std::copy(value.data.begin(), value.data.end(), bins_.begin() + data + 4);
        put32(vk, 4 + 0x08, data);
    }
    return vk;
}

std::uint32_t FixtureHive::layOut(Key key, std::uint32_t parentCell)
{
    KeyRecord& record = keys_[key];
    const std::uint32_t nk = allocate(0x4C + record.name.size());
    putText(nk, 4, "nk");
    put16(nk, 4 + 0x02, key == root() ? kRootKeyFlags : kKeyFlags);
    put32(nk, 4 + 0x04, static_cast<std::uint32_t>(now_));
    put32(nk, 4 + 0x08, static_cast<std::uint32_t>(now_ >> 32));
    put32(nk, 4 + 0x10, parentCell);
    put32(nk, 4 + 0x14, static_cast<std::uint32_t>(record.children.size()));
    put32(nk, 4 + 0x1C, kNoCell);
    put32(nk, 4 + 0x20, kNoCell); // volatile sub keys
    put32(nk, 4 + 0x24, static_cast<std::uint32_t>(record.values.size()));
    put32(nk, 4 + 0x28, kNoCell);
    put32(nk, 4 + 0x2C, securityCell_);
    put32(nk, 4 + 0x30, kNoCell); // class name
    put16(nk, 4 + 0x48, static_cast<std::uint16_t>(record.name.size()));
    putText(nk, 4 + 0x4C, record.name);

    // Windows keeps sub keys sorted by their upper-cased names.
    std::vector<std::pair<std::string, Key>> sorted;
    for (Key child : record.children)
        sorted.emplace_back(upper(keys_[child].name), child);
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::uint32_t> childCells;
    std::size_t longestChild = 0;
    for (const auto& [folded, child] : sorted) {
        childCells.push_back(layOut(child, nk));
        longestChild = std::max(longestChild, folded.size());
    }
    if (!sorted.empty()) {
        const std::uint32_t list = allocate(4 + 8 * sorted.size());
        putText(list, 4, "lh");
        put16(list, 4 + 2, static_cast<std::uint16_t>(sorted.size()));
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            put32(list, 8 + 8 * i, childCells[i]);
            put32(list, 12 + 8 * i, nameHash(sorted[i].first));
        }
        put32(nk, 4 + 0x1C, list);
    }

    const std::vector<Value>& values = keys_[key].values;
    std::size_t longestName = 0;
    std::size_t longestData = 0;
    std::vector<std::uint32_t> valueCells;
    for (const Value& value : values) {
        valueCells.push_back(writeValue(value));
        longestName = std::max(longestName, value.name.size());
        longestData = std::max(longestData, value.data.size());
    }
    if (!values.empty()) {
        const std::uint32_t list = allocate(4 * values.size());
        for (std::size_t i = 0; i < valueCells.size(); ++i)
            put32(list, 4 + 4 * i, valueCells[i]);
        put32(nk, 4 + 0x28, list);
    }
    put32(nk, 4 + 0x34, static_cast<std::uint32_t>(2 * longestChild));
    put32(nk, 4 + 0x3C, static_cast<std::uint32_t>(2 * longestName));
    put32(nk, 4 + 0x40, static_cast<std::uint32_t>(longestData));
    return nk;
}

bool FixtureHive::save(const std::string& path, std::string* error)
{
    now_ = platform::windowsFileTimeNow();
    bins_.clear();
    used_ = 0;
    binEnd_ = 0;

    // One security record that every key shares, linked to itself.
    const std::vector<std::uint8_t> descriptor = platform::rootSecurityDescriptor();
    securityCell_ = allocate(0x14 + descriptor.size());
    putText(securityCell_, 4, "sk");
    put32(securityCell_, 4 + 0x04, securityCell_);
    put32(securityCell_, 4 + 0x08, securityCell_);
    put32(securityCell_, 4 + 0x0C, static_cast<std::uint32_t>(keys_.size()));
    put32(securityCell_, 4 + 0x10, static_cast<std::uint32_t>(descriptor.size()));
    std::copy(descriptor.begin(), descriptor.end(), bins_.begin() + securityCell_ + 4 + 0x14);

    const std::uint32_t rootCell = layOut(root(), kNoCell);
    if (binEnd_ > used_)
        put32(static_cast<std::uint32_t>(used_), 0, binEnd_ - static_cast<std::uint32_t>(used_));

    std::vector<std::uint8_t> baseBlock(kBlockSize, 0);
    platform::writeBaseBlock(baseBlock, rootCell, binEnd_, now_);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::vector<std::uint8_t>* part : {&baseBlock, &bins_})
        out.write(reinterpret_cast<const char*>(part->data()), static_cast<std::streamsize>(part->size()));
    out.close();
    if (!out) {
        *error = "The file " + path + " could not be written.";
        return false;
    }
    return true;
}

std::string fixtureButtonName(int i)
{
    return guidName(static_cast<std::uint64_t>(i));
}

namespace {

void addButton(FixtureHive& hive, FixtureHive::Key extensions, int i)
{
    namespace b = services::buttons;
    const FixtureHive::Key key = hive.addKey(extensions, fixtureButtonName(i));
    const std::string folder = numbered("C:\\Program Files\\Tool %d\\", i);
    hive.addString(key, b::kButtonText, numbered("Tool %d", i));
    hive.addString(key, b::kExec, folder + "tool.exe");
    hive.addString(key, b::kIcon, folder + "tool.ico");
    hive.addString(key, b::kHotIcon, folder + "tool-hot.ico");
    hive.addString(key, b::kMenuStatusBar, numbered("Starts tool number %d", i));
    hive.addString(key, b::kMenuText, numbered("Tool %d", i));
    hive.addString(key, b::kClsid, b::kClsidText);
    hive.addString(key, b::kDefaultVisible, b::kDefaultVisibleText);
}

FixtureHive::Key extensionsKey(FixtureHive& hive, FixtureHive::Key microsoft)
{
    return hive.addKey(hive.addKey(microsoft, "Internet Explorer"), "Extensions");
}

} // namespace

FixtureHive buttonsHive(int buttons)
{
    FixtureHive hive;
    const FixtureHive::Key extensions = extensionsKey(hive, hive.addKey(hive.root(), "Microsoft"));
    for (int i = 0; i < buttons; ++i)
        addButton(hive, extensions, i);
    return hive;
}

FixtureHive softwareHive()
{
    constexpr int kClasses = 30000;
    constexpr int kProducts = 6000;
    constexpr int kButtons = 100;
    FixtureHive hive;
    const FixtureHive::Key clsid = hive.addKey(hive.addKey(hive.root(), "Classes"), "CLSID");
    std::vector<std::uint8_t> blob(1400);
    for (int i = 0; i < kClasses; ++i) {
        const FixtureHive::Key key = hive.addKey(clsid, guidName(1'000'000 + static_cast<std::uint64_t>(i)));
        hive.addString(key, "", numbered("Component %d Class", i));
        for (std::size_t j = 0; j < blob.size(); ++j)
            blob[j] = static_cast<std::uint8_t>(mix(static_cast<std::uint64_t>(i) * 4096 + j));
        hive.addBinary(key, "AppData", blob);
        const FixtureHive::Key server = hive.addKey(key, "InprocServer32");
        hive.addString(server, "", numbered("C:\\Windows\\System32\\component%d.dll", i));
        hive.addString(server, "ThreadingModel", "Apartment");
    }
    const FixtureHive::Key microsoft = hive.addKey(hive.root(), "Microsoft");
    FixtureHive::Key products = hive.addKey(microsoft, "Windows");
    for (const char* level : {"CurrentVersion", "Installer", "UserData", "S-1-5-18", "Products"})
        products = hive.addKey(products, level);
    for (int i = 0; i < kProducts; ++i) {
        std::string code = guidName(2'000'000 + static_cast<std::uint64_t>(i));
        code.erase(std::remove_if(code.begin(), code.end(), [](char c) { return c == '{' || c == '}' || c == '-'; }),
                   code.end());
        const FixtureHive::Key properties = hive.addKey(hive.addKey(products, code), "InstallProperties");
        const std::string folder = numbered("C:\\Program Files\\Product %d\\", i);
        for (const char* name :
             {"DisplayName", "Publisher", "InstallLocation", "InstallSource", "ModifyPath", "UninstallString",
              "HelpLink", "URLInfoAbout", "DisplayVersion", "LocalPackage", "InstallDate", "Comments"})
            hive.addString(properties, name, folder + name);
    }
    const FixtureHive::Key extensions = extensionsKey(hive, microsoft);
    for (int i = 0; i < kButtons; ++i)
        addButton(hive, extensions, i);
    return hive;
}

} // namespace bench
