#pragma once

#include "core/registry/hive/hive_tree.h"

#include <string>
#include <vector>

namespace platform {

// A key path as the names below the hive's root.
using KeyNames = std::vector<std::string>;

// What is wrong with the hive file just written (which may be a
// /proc/self/fd name): empty when it can be read and passes the structural
// check, else a phrase ("the written hive is damaged: ...").
std::string writtenHiveDamage(const std::string& file);

// Compares the keys a save changed between the hive in memory and the file
// just written from it: each key present in both or absent from both, with
// the same values (names, types and bytes). Empty when they agree; else
// what the written file got wrong, as a phrase ("the written hive lacks
// the key A\B").
std::string writtenKeysDiffer(HiveTree& intended, HiveTree& written, const std::vector<KeyNames>& keys);

} // namespace platform
