#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct hive_h;

namespace bench {

// The same work as Pennant's, done directly on libhivex with nothing on
// top: the baseline each Pennant figure is compared with.
class RawHive {
public:
    using Values = std::vector<std::pair<std::string, std::string>>;

    // Opens path read-only, or for writing (which copies the file into memory).
    RawHive(const std::string& path, bool forWriting);
    ~RawHive();
    RawHive(const RawHive&) = delete;
    RawHive& operator=(const RawHive&) = delete;

    bool isOpen() const { return hive_ != nullptr; }
    // Reads the named string value of every sub key of the Extensions key;
    // returns how many could be read.
    std::size_t listButtonTexts(const std::vector<std::string>& valueNames = {"ButtonText"});
    // Reads the named values of one button key; how many could be read.
    std::size_t loadButton(const std::string& keyName, const std::vector<std::string>& valueNames);
    bool createButton(const std::string& keyName, const Values& values);
    bool updateButton(const std::string& keyName, const Values& values);
    bool deleteButton(const std::string& keyName);
    // hivex_commit to a temporary file beside path, fsync, rename over path.
    bool commitAtomically(const std::string& path);

private:
    std::size_t extensions();
    hive_h* hive_ = nullptr;
};

} // namespace bench
