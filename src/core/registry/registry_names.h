#pragma once

#include <string>
#include <string_view>
#include <vector>

// Rules for key and value names, checked here because libhivex accepts
// names that Windows refuses.
namespace platform {

inline constexpr std::size_t kMaxKeyNameLength = 255;     // UTF-16 code units
inline constexpr std::size_t kMaxValueNameLength = 16383; // UTF-16 code units

// 1 to 255 characters of valid UTF-8, without a backslash or a zero.
bool isValidKeyName(std::string_view name);

// Up to 16,383 characters of valid UTF-8, without a zero (the empty name is
// the key's default value).
bool isValidValueName(std::string_view name);

// The form in which two names compare equal regardless of letter case:
// each UTF-16 unit upper-cased on its own, as Windows compares names.
// Invalid UTF-8 is returned unchanged (it can only match itself).
std::string foldedName(std::string_view name);
// foldedName(a) == foldedName(b), without building either for ASCII names.
bool sameName(std::string_view a, std::string_view b);

// Hashing and equality for tables of names as stored, looked up by any
// spelling: names that sameName matches hash alike, and an ASCII name is
// hashed without building its folded form.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
};
struct SameName {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return sameName(a, b); }
};

// Negative, zero or positive as Windows orders two names (sub keys are kept
// in this order): their UTF-16 units compared after folding.
int compareNames(std::string_view left, std::string_view right);

// Splits "a\b\c" into its parts; false when the path starts with a
// backslash. Runs of backslashes inside or at the end separate like one
// ("a\\b\" is "a\b"), as in Windows. The empty path has no parts.
bool splitKeyPath(std::string_view path, std::vector<std::string>* parts);
// The same, adding the parts after those already in parts.
bool appendKeyPath(std::string_view path, std::vector<std::string>* parts);

} // namespace platform
