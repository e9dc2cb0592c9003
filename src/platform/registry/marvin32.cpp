#include "platform/registry/marvin32.h"

#include <bit>

namespace platform {

namespace {

struct State {
    std::uint32_t low;
    std::uint32_t high;

    void mix(std::uint32_t word)
    {
        low += word;
        high ^= low;
        low = std::rotl(low, 20) + high;
        high = std::rotl(high, 9) ^ low;
        low = std::rotl(low, 27) + high;
        high = std::rotl(high, 19);
    }
};

std::uint32_t wordAt(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

} // namespace

std::uint64_t marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed)
{
    State state{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
    for (; size >= 4; data += 4, size -= 4)
        state.mix(wordAt(data));
    // The last zero to three bytes, closed by a 0x80 byte.
    std::uint32_t last = 0x80;
    for (std::size_t i = size; i > 0; --i)
        last = last << 8 | data[i - 1];
    state.mix(last);
    state.mix(0);
    return std::uint64_t(state.high) << 32 | state.low;
}

} // namespace platform
