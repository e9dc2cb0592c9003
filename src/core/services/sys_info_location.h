#pragma once

// Where Windows records the System Information tool: read by the About
// window's launcher, written when a fresh hive is seeded.
namespace services::sys_info {

inline constexpr char kPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char kPathValue[] = "PATH";
inline constexpr char kFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char kFolderValue[] = "MSINFO";

} // namespace services::sys_info
