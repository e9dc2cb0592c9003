#include "core/hive_format/marvin32.h"

#include <bit>

namespace platform {

Marvin32::Marvin32(std::uint64_t seed)
    : low_(static_cast<std::uint32_t>(seed)), high_(static_cast<std::uint32_t>(seed >> 32))
{
}

void Marvin32::mix(std::uint32_t word)
{
    low_ += word;
    high_ ^= low_;
    low_ = std::rotl(low_, 20) + high_;
    high_ = std::rotl(high_, 9) ^ low_;
    low_ = std::rotl(low_, 27) + high_;
    high_ = std::rotl(high_, 19);
}

void Marvin32::addByte(std::uint8_t byte)
{
    pending_ |= std::uint32_t(byte) << (8 * pendingSize_);
    if (++pendingSize_ == 4) {
        mix(pending_);
        pending_ = 0;
        pendingSize_ = 0;
    }
}

void Marvin32::add(const std::uint8_t* data, std::size_t size)
{
    for (; size > 0 && pendingSize_ != 0; ++data, --size)
        addByte(*data);
    for (; size >= 4; data += 4, size -= 4)
        mix(std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
            std::uint32_t(data[3]) << 24);
    for (; size > 0; ++data, --size)
        addByte(*data);
}

std::uint64_t Marvin32::finish() const
{
    // The last zero to three bytes, closed by a 0x80 byte.
    Marvin32 last = *this;
    last.mix(pending_ | std::uint32_t(0x80) << (8 * pendingSize_));
    last.mix(0);
    return std::uint64_t(last.high_) << 32 | last.low_;
}

std::uint64_t marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed)
{
    Marvin32 hash(seed);
    hash.add(data, size);
    return hash.finish();
}

} // namespace platform
