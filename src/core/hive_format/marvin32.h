#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The Marvin32 hash with a 64-bit seed, as Windows uses it to protect the
// entries of its registry transaction logs: the seed's low half is the
// first state word; the result holds the second word in its high half, the
// first in its low half. Data may be added a piece at a time.
class Marvin32 {
public:
    explicit Marvin32(std::uint64_t seed);
    void add(const std::uint8_t* data, std::size_t size);
    std::uint64_t finish() const;

private:
    void mix(std::uint32_t word);
    void addByte(std::uint8_t byte);

    std::uint32_t low_;
    std::uint32_t high_;
    std::uint32_t pending_ = 0; // the bytes of a word not yet complete
    std::size_t pendingSize_ = 0;
};

std::uint64_t marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed);

} // namespace platform
