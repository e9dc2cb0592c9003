#include "support/hive_log_fixture.h"

#include "core/hive_format/marvin32.h"
#include "support/temp_hive.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace log_fixture {

namespace {

constexpr std::size_t kBaseBlock = 4096;
constexpr std::size_t kSector = 512;
constexpr char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Pennant";

void append32(Bytes& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void set64(Bytes& bytes, std::size_t offset, std::uint64_t value)
{
    setDword(bytes, offset, static_cast<std::uint32_t>(value));
    setDword(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

bool blockDiffers(const Bytes& from, const Bytes& to, std::size_t at, std::size_t size)
{
    return at + size > from.size() || std::memcmp(from.data() + at, to.data() + at, size) != 0;
}

// The first 512 bytes of a state's base block, made a log's header.
Bytes logHeader(const Bytes& newest, std::uint32_t type, std::uint32_t sequence)
{
    Bytes header(newest.begin(), newest.begin() + kSector);
    setDword(header, 0x04, sequence);
    setDword(header, 0x08, sequence);
    setDword(header, 0x1C, type);
    fixChecksum(header);
    return header;
}

} // namespace

std::vector<Bytes> hiveStates(int count)
{
    TempHive hive;
    std::vector<Bytes> states;
    hive.putString(kKey, "Step", "0");
    states.push_back(readFile(hive.path()));
    for (int step = 1; step < count; ++step) {
        hive.createKey(std::string(kKey) + "\\Step" + std::to_string(step));
        hive.putString(kKey, "Step", std::to_string(step));
        states.push_back(readFile(hive.path()));
    }
    return states;
}

Bytes dirtyHive(Bytes hive, std::uint32_t sequence)
{
    setDword(hive, 0x04, sequence + 1);
    setDword(hive, 0x08, sequence);
    fixChecksum(hive);
    return hive;
}

Bytes newLogEntry(const Bytes& from, const Bytes& to, std::uint32_t sequence)
{
    std::vector<std::uint32_t> offsets;
    for (std::size_t at = kBaseBlock; at < to.size(); at += kBaseBlock)
        if (blockDiffers(from, to, at, kBaseBlock))
            offsets.push_back(static_cast<std::uint32_t>(at - kBaseBlock));
    Bytes entry{'H', 'v', 'L', 'E'};
    append32(entry, 0); // size, set below
    append32(entry, 0); // flags
    append32(entry, sequence);
    append32(entry, static_cast<std::uint32_t>(to.size() - kBaseBlock));
    append32(entry, static_cast<std::uint32_t>(offsets.size()));
    entry.resize(40, 0); // the two hashes, set below
    for (std::uint32_t offset : offsets) {
        append32(entry, offset);
        append32(entry, kBaseBlock);
    }
    for (std::uint32_t offset : offsets)
        entry.insert(entry.end(), to.begin() + kBaseBlock + offset, to.begin() + kBaseBlock * 2 + offset);
    entry.resize((entry.size() + kSector - 1) / kSector * kSector, 0);
    setDword(entry, 4, static_cast<std::uint32_t>(entry.size()));
    sealEntry(entry);
    return entry;
}

void sealEntry(Bytes& entry, std::uint64_t seed)
{
    set64(entry, 24, platform::marvin32(entry.data() + 40, entry.size() - 40, seed));
    set64(entry, 32, platform::marvin32(entry.data(), 32, seed));
}

Bytes newLog(const Bytes& newest, std::uint32_t sequence, const std::vector<Bytes>& entries)
{
    Bytes log = logHeader(newest, 6, sequence);
    for (const Bytes& entry : entries)
        log.insert(log.end(), entry.begin(), entry.end());
    return log;
}

Bytes oldLog(const Bytes& dirty, const Bytes& newest, std::uint32_t sequence)
{
    Bytes header(newest.begin(), newest.begin() + kSector);
    std::memcpy(header.data() + 0x0C, dirty.data() + 0x0C, 8); // the dirty hive's last-written time
    header = logHeader(header, 1, sequence);
    const std::size_t pages = (newest.size() - kBaseBlock) / kSector;
    Bytes bitmap(pages / 8, 0);
    Bytes data;
    for (std::size_t page = 0; page < pages; ++page) {
        const std::size_t at = kBaseBlock + page * kSector;
        if (!blockDiffers(dirty, newest, at, kSector))
            continue;
        bitmap[page / 8] = static_cast<std::uint8_t>(bitmap[page / 8] | 1u << (page % 8));
        data.insert(data.end(), newest.begin() + at, newest.begin() + at + kSector);
    }
    Bytes log = header;
    log.insert(log.end(), {'D', 'I', 'R', 'T'});
    log.insert(log.end(), bitmap.begin(), bitmap.end());
    log.resize((log.size() + kSector - 1) / kSector * kSector, 0);
    log.insert(log.end(), data.begin(), data.end());
    return log;
}

std::uint32_t dwordAt(const Bytes& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | bytes.at(offset + i);
    return value;
}

void setDword(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void fixChecksum(Bytes& bytes)
{
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4)
        sum ^= dwordAt(bytes, at);
    setDword(bytes, 0x1FC, sum);
}

void setHiveFileName(Bytes& hive, const std::string& name)
{
    std::memset(hive.data() + 0x30, 0, 64);
    for (std::size_t i = 0; i < name.size() && i < 31; ++i)
        hive[0x30 + 2 * i] = static_cast<std::uint8_t>(name[i]);
    fixChecksum(hive);
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::map<QString, QByteArray> folderContents(const QString& folder)
{
    std::map<QString, QByteArray> contents;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(folder + "/" + name);
        if (file.open(QIODevice::ReadOnly))
            contents[name] = file.readAll();
    }
    return contents;
}

} // namespace log_fixture
