#pragma once

#include "core/registry/registry.h"

// The calls the program makes on its registry and their edge cases, as one
// table that every backend must pass. The Windows API is the reference; the
// hive backend differs only where a row says so.
enum class Backend { Windows, Hive };

// Runs every row against registry in the key
// HKEY_LOCAL_MACHINE\SOFTWARE\PennantContract (removed first), prints each failure and a closing line
// "N passed, N failed", and returns the number of failed rows.
int runRegistryContract(platform::Registry& registry, Backend backend);
