#include "core/hive_format/blank_hive.h"

#include "core/hive_format/hive_file_status.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t kBlockSize = 4096;
constexpr std::size_t kBinStart = kBlockSize; // cell offsets count from here
constexpr std::uint32_t kBinHeaderSize = 0x20;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
constexpr std::uint16_t kRootKeyFlags = 0x2C; // hive entry, not deletable, ASCII name
constexpr char kRootName[] = "ROOT";
constexpr std::uint64_t kWindowsEpochOffset = 116444736000000000ULL; // 1601 to 1970 in 100 ns

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void u16(std::size_t at, std::uint16_t v)
    {
        for (int i = 0; i < 2; ++i)
            bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void u32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void u64(std::size_t at, std::uint64_t v)
    {
        u32(at, static_cast<std::uint32_t>(v));
        u32(at + 4, static_cast<std::uint32_t>(v >> 32));
    }
    void text(std::size_t at, const char* s) { std::memcpy(&bytes_[at], s, std::strlen(s)); }
    std::uint32_t u32At(std::size_t at) const
    {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | bytes_[at + i];
        return v;
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

} // namespace

std::uint64_t windowsFileTimeNow()
{
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    return kWindowsEpochOffset +
           static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100);
}

namespace {

// A security identifier S-1-<authority>-<sub authorities...>.
std::vector<std::uint8_t> sid(std::uint8_t authority, std::initializer_list<std::uint32_t> subAuthorities)
{
    std::vector<std::uint8_t> out{1, static_cast<std::uint8_t>(subAuthorities.size()), 0, 0, 0, 0, 0, authority};
    for (std::uint32_t sub : subAuthorities)
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(sub >> (8 * i)));
    return out;
}

void appendLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

std::vector<std::uint8_t> rootSecurityDescriptor()
{
    constexpr std::uint8_t kContainerInherit = 0x02;
    // The key rights the entries grant: KEY_ALL_ACCESS and KEY_READ.
    constexpr std::uint32_t kKeyAllAccess = 0x000F003F;
    constexpr std::uint32_t kKeyRead = 0x00020019;
    const auto system = sid(5, {18});
    const auto administrators = sid(5, {32, 544});
    const auto users = sid(5, {32, 545});

    std::vector<std::uint8_t> aces;
    std::uint16_t aceCount = 0;
    for (const auto& [who, mask] :
         {std::pair{system, kKeyAllAccess}, std::pair{administrators, kKeyAllAccess}, std::pair{users, kKeyRead}}) {
        aces.push_back(0); // ACCESS_ALLOWED_ACE_TYPE
        aces.push_back(kContainerInherit);
        appendLe(aces, static_cast<std::uint32_t>(8 + who.size()), 2);
        appendLe(aces, mask, 4);
        aces.insert(aces.end(), who.begin(), who.end());
        ++aceCount;
    }
    std::vector<std::uint8_t> acl{2, 0}; // ACL revision 2
    appendLe(acl, static_cast<std::uint32_t>(8 + aces.size()), 2);
    appendLe(acl, aceCount, 2);
    appendLe(acl, 0, 2);
    acl.insert(acl.end(), aces.begin(), aces.end());

    constexpr std::uint16_t kSelfRelative = 0x8000;
    constexpr std::uint16_t kDaclPresent = 0x0004;
    constexpr std::uint32_t kHeaderSize = 20;
    const auto ownerAt = kHeaderSize;
    const auto groupAt = ownerAt + static_cast<std::uint32_t>(administrators.size());
    const auto daclAt = groupAt + static_cast<std::uint32_t>(system.size());
    std::vector<std::uint8_t> out{1, 0}; // revision 1
    appendLe(out, kSelfRelative | kDaclPresent, 2);
    appendLe(out, ownerAt, 4);
    appendLe(out, groupAt, 4);
    appendLe(out, 0, 4); // no SACL
    appendLe(out, daclAt, 4);
    out.insert(out.end(), administrators.begin(), administrators.end());
    out.insert(out.end(), system.begin(), system.end());
    out.insert(out.end(), acl.begin(), acl.end());
    return out;
}

void writeBaseBlock(std::vector<std::uint8_t>& bytes, std::uint32_t rootCell, std::uint32_t binsSize, std::uint64_t now)
{
    Writer w(bytes);
    w.text(0x00, "regf");
    w.u32(0x04, 1); // primary sequence number
    w.u32(0x08, 1); // secondary sequence number: equal, so the hive is clean
    w.u32(0x14, 1); // major version
    w.u32(0x18, 5); // minor version
    w.u32(0x1C, 0); // primary file
    w.u32(0x20, 1); // direct memory load
    w.u32(0x24, rootCell);
    w.u32(0x28, binsSize);
    w.u32(0x2C, 1); // clustering factor
    // Windows reserves checksums 0 and 0xFFFFFFFF; nudge the time to avoid them.
    for (std::uint64_t written = now;; ++written) {
        w.u64(0x0C, written);
        std::uint32_t checksum = 0;
        for (std::size_t at = 0; at < 0x1FC; at += 4)
            checksum ^= w.u32At(at);
        if (checksum != 0 && checksum != 0xFFFFFFFF) {
            w.u32(0x1FC, checksum);
            return;
        }
    }
}

namespace {

constexpr std::uint32_t cellSize(std::size_t contentSize)
{
    return static_cast<std::uint32_t>((4 + contentSize + 7) & ~std::size_t{7});
}

std::vector<std::uint8_t> blankHiveBytes()
{
    std::vector<std::uint8_t> bytes(2 * kBlockSize, 0);
    Writer w(bytes);
    const std::uint64_t now = windowsFileTimeNow();

    // Cells of the one hbin: the root key, its security record, free space.
    const std::uint32_t rootCell = kBinHeaderSize;
    const std::size_t nameLength = std::strlen(kRootName);
    const std::uint32_t rootSize = cellSize(0x4C + nameLength);
    const std::uint32_t securityCell = rootCell + rootSize;
    const std::vector<std::uint8_t> descriptor = rootSecurityDescriptor();
    const std::uint32_t securitySize = cellSize(0x14 + descriptor.size());
    const std::uint32_t freeCell = securityCell + securitySize;

    // hbin header
    w.text(kBinStart, "hbin");
    w.u32(kBinStart + 0x04, 0);
    w.u32(kBinStart + 0x08, kBlockSize);
    w.u64(kBinStart + 0x14, now);

    // Root key (nk): used cells carry a negative size.
    const std::size_t nk = kBinStart + rootCell;
    w.u32(nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(rootSize)));
    w.text(nk + 4, "nk");
    w.u16(nk + 4 + 0x02, kRootKeyFlags);
    w.u64(nk + 4 + 0x04, now);
    w.u32(nk + 4 + 0x10, kNoCell); // parent
    w.u32(nk + 4 + 0x1C, kNoCell); // sub key list
    w.u32(nk + 4 + 0x20, kNoCell); // volatile sub key list
    w.u32(nk + 4 + 0x28, kNoCell); // value list
    w.u32(nk + 4 + 0x2C, securityCell);
    w.u32(nk + 4 + 0x30, kNoCell); // class name
    w.u16(nk + 4 + 0x48, static_cast<std::uint16_t>(nameLength));
    w.text(nk + 4 + 0x4C, kRootName);

    // Security (sk), linked to itself as the only one in the hive.
    const std::size_t sk = kBinStart + securityCell;
    w.u32(sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(securitySize)));
    w.text(sk + 4, "sk");
    w.u32(sk + 4 + 0x04, securityCell); // next
    w.u32(sk + 4 + 0x08, securityCell); // previous
    w.u32(sk + 4 + 0x0C, 1);            // reference count
    w.u32(sk + 4 + 0x10, static_cast<std::uint32_t>(descriptor.size()));
    std::memcpy(&bytes[sk + 4 + 0x14], descriptor.data(), descriptor.size());

    // The rest of the hbin is one free cell (positive size).
    w.u32(kBinStart + freeCell, static_cast<std::uint32_t>(kBlockSize - freeCell));

    writeBaseBlock(bytes, rootCell, kBlockSize, now);
    return bytes;
}

} // namespace

bool writeBlankHive(const std::string& path, std::string* error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = errno == EEXIST ? "The file " + path + " already exists."
                                 : "The file " + path + " could not be created: " + std::strerror(errno) + ".";
        return false;
    }
    const std::vector<std::uint8_t> bytes = blankHiveBytes();
    const bool written = writeExactly(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int cause = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        *error = "The file " + path + " could not be written: " + std::strerror(written ? errno : cause) + ".";
        return false;
    }
    return true;
}

} // namespace platform
