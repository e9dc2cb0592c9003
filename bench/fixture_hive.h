#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// Lays out a whole hive in memory, key by key, and writes it in one go:
// compact and in seconds where adding the same keys through libhivex takes
// minutes and leaves most of the file as dead copies of sub key lists.
// The result is a clean hive of format 1.5 with one shared security record,
// 4 KiB bins, sub key lists in the order Windows keeps them and names of
// ASCII characters.
class FixtureHive {
public:
    using Key = std::size_t;

    FixtureHive();

    Key root() const { return 0; }
    // A new sub key; names must be unique among siblings (ASCII case ignored).
    Key addKey(Key parent, std::string name);
    // REG_SZ value, stored as UTF-16LE with its terminator (ASCII text).
    void addString(Key key, std::string name, std::string_view text);
    void addBinary(Key key, std::string name, const std::vector<std::uint8_t>& data);

    std::size_t keyCount() const { return keys_.size(); }

    // Writes the hive to path (replacing it); false with *error on failure.
    bool save(const std::string& path, std::string* error);

private:
    struct Value {
        std::string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    struct KeyRecord {
        std::string name;
        Key parent = 0;
        std::vector<Key> children;
        std::vector<Value> values;
    };

    std::uint32_t allocate(std::size_t contentSize);
    std::uint32_t layOut(Key key, std::uint32_t parentCell);
    std::uint32_t writeValue(const Value& value);
    void put16(std::uint32_t cell, std::size_t at, std::uint16_t v);
    void put32(std::uint32_t cell, std::size_t at, std::uint32_t v);
    void putText(std::uint32_t cell, std::size_t at, std::string_view text);

    std::vector<KeyRecord> keys_;
    std::vector<std::uint8_t> bins_; // the hive bins; cell offsets count from their start
    std::size_t used_ = 0;           // end of the last cell
    std::uint32_t binEnd_ = 0;       // end of the bin that is being filled
    std::uint32_t securityCell_ = 0;
    std::uint64_t now_ = 0;
};

// A SOFTWARE hive holding buttons custom toolbar buttons (eight values
// each) under Microsoft\Internet Explorer\Extensions, and nothing else.
FixtureHive buttonsHive(int buttons);

// Key name of the fixture's button number i.
std::string fixtureButtonName(int i);

// A SOFTWARE-like hive of about 70 MB: tens of thousands of class keys two
// levels deep, installer records three levels deep with a dozen values
// each, and 100 buttons under the Extensions key.
FixtureHive softwareHive();

} // namespace bench
