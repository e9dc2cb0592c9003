#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Dirty hives and their transaction logs, built the way Windows writes them
// from successive states of a real hive that our blank-hive writer and
// libhivex produce.
namespace log_fixture {

using Bytes = std::vector<std::uint8_t>;

// A hive's successive states: states[0] is a blank hive holding the key
// "Pennant" with "Step" = "0"; each later state sets "Step" to its number
// and adds a key "Step<n>".
std::vector<Bytes> hiveStates(int count);

// The hive as Windows leaves it when its newest changes are only in the
// logs: its secondary sequence number is sequence, its primary one more.
Bytes dirtyHive(Bytes hive, std::uint32_t sequence);

// A new-format entry holding the 4096-byte blocks that differ from one state
// to the next.
Bytes newLogEntry(const Bytes& from, const Bytes& to, std::uint32_t sequence);
// The seed Windows hashes log entries with: the 64-bit number of the
// published format description, kept apart from the code under test.
inline constexpr std::uint64_t kEntryHashSeed = 0x82EF4D887A4E55C5;
// Recomputes an entry's two hashes after a test changed it.
void sealEntry(Bytes& entry, std::uint64_t seed = kEntryHashSeed);
// A new-format log: the newest state's base block (file type 6, both
// sequence numbers equal to sequence), then the entries.
Bytes newLog(const Bytes& newest, std::uint32_t sequence, const std::vector<Bytes>& entries);
// An old-format log: the newest state's base block with the dirty hive's
// last-written time, the dirty vector, and the 512-byte pages that differ.
Bytes oldLog(const Bytes& dirty, const Bytes& newest, std::uint32_t sequence);

// Field access and the header checksum, for tests that damage or inspect.
std::uint32_t dwordAt(const Bytes& bytes, std::size_t offset);
void setDword(Bytes& bytes, std::size_t offset, std::uint32_t value);
void fixChecksum(Bytes& bytes);
// Writes a file name into the base block's name field, as Windows does.
void setHiveFileName(Bytes& hive, const std::string& name);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
// Every file in a folder with its bytes, to prove that nothing changed.
std::map<QString, QByteArray> folderContents(const QString& folder);

} // namespace log_fixture
