#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Puts the sub key lists of the keys at the given offsets (libhivex's node
// handles) of the hive file back in Windows' order, in place. Windows finds
// a sub key by halving its list, so a list out of that order hides keys
// from it; libhivex places a new key by a comparison of its own, which
// differs from Windows' beyond ASCII. Lists already in order are left
// alone, and so is a list that cannot be read (the structural check judges
// it). False with errno set when the file cannot be opened or mapped.
bool orderSubKeyLists(const std::string& file, const std::vector<std::size_t>& keys);

} // namespace platform
