#include "support/hive_bytes.h"

#include <QFile>

#include <cstring>
#include <stdexcept>

namespace hive_bytes {

std::vector<char> readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path);
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

void writeFileInPlace(const std::string& path, const std::vector<char>& bytes)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadWrite) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write " + path);
    file.resize(qint64(bytes.size()));
}

std::uint32_t dwordAt(const std::vector<char>& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

void setDword(std::vector<char>& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<char>(value >> (8 * i));
}

std::uint16_t wordAt(const std::vector<char>& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                      static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

void fixHeaderChecksum(std::vector<char>& bytes)
{
    std::uint32_t checksum = 0;
    for (std::size_t offset = 0; offset < 0x1FC; offset += 4)
        checksum ^= dwordAt(bytes, offset);
    setDword(bytes, 0x1FC, checksum);
}

void markDirty(const std::string& path)
{
    std::vector<char> bytes = readFile(path);
    setDword(bytes, 0x08, dwordAt(bytes, 0x04) + 1);
    fixHeaderChecksum(bytes);
    writeFileInPlace(path, bytes);
}

namespace {

// Offsets of the records with this two-letter signature whose ASCII name,
// with its 16-bit length at lengthAt, starts at nameAt.
std::vector<std::size_t> recordsNamed(const std::vector<char>& bytes, const char* signature, std::size_t lengthAt,
                                      std::size_t nameAt, const std::string& name)
{
    std::vector<std::size_t> found;
    for (std::size_t at = 0; at + nameAt + name.size() <= bytes.size(); ++at) {
        if (bytes[at] == signature[0] && bytes[at + 1] == signature[1] && wordAt(bytes, at + lengthAt) == name.size() &&
            std::memcmp(&bytes[at + nameAt], name.data(), name.size()) == 0)
            found.push_back(at);
    }
    return found;
}

} // namespace

std::vector<std::size_t> valueRecordsNamed(const std::vector<char>& bytes, const std::string& name)
{
    // vk: "vk", name length (2), data length (4), data offset (4), type (4),
    // flags (2), spare (2), then the name.
    return recordsNamed(bytes, "vk", 2, 0x14, name);
}

std::vector<std::size_t> keyRecordsNamed(const std::vector<char>& bytes, const std::string& name)
{
    return recordsNamed(bytes, "nk", kKeyNameLength, 0x4C, name);
}

} // namespace hive_bytes
