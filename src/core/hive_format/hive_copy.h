#pragma once

#include <string>

namespace platform {

// Writes the open hive file's bytes to the file at path as a save of them
// unchanged would: the same bytes, with the header's two sequence numbers
// advanced together by one and its checksum to match (as libhivex's commit
// leaves them). What a save that only adds keys starts from, without
// loading the hive into libhivex. False with errno set on failure.
bool writeHiveCopy(int from, const std::string& path);

} // namespace platform
