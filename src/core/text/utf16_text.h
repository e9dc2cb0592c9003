#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Conversions between the UTF-8 text of the registry interface and the
// UTF-16LE text that a hive stores.
namespace platform {

// The code points of strict UTF-8 text (no overlong forms, no surrogates),
// or nothing when the text is not valid UTF-8.
std::optional<std::u32string> decodeUtf8(std::string_view text);

std::string encodeUtf8(std::u32string_view codePoints);

// UTF-16LE bytes of valid UTF-8 text; a zero byte becomes a two-byte zero.
// Nothing when the text is not valid UTF-8.
std::optional<std::vector<std::uint8_t>> utf8ToUtf16le(std::string_view text);

// UTF-8 text of UTF-16LE bytes. An unpaired surrogate becomes U+FFFD and an
// odd last byte is ignored, so stored text always reads back as valid UTF-8.
std::string utf16leToUtf8(const std::uint8_t* data, std::size_t size);

// The same for bytes that must come through unchanged: nothing for an odd
// byte count or an unpaired surrogate, which UTF-8 cannot carry.
std::optional<std::string> exactUtf16leToUtf8(const std::uint8_t* data, std::size_t size);

// The number of UTF-16 code units of valid UTF-8 text, which is how Windows
// counts the length of names.
std::size_t utf16Length(std::u32string_view codePoints);

} // namespace platform
