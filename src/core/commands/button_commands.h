#pragma once

#include "core/commands/sub_commands.h"

// The sub-commands about buttons; each returns the program's exit status.
namespace commands {

int runList(const Invocation& invocation);
int runShow(const Invocation& invocation);
int runAdd(const Invocation& invocation);
int runSet(const Invocation& invocation);
int runRemove(const Invocation& invocation);
int runExport(const Invocation& invocation);
int runImport(const Invocation& invocation);

} // namespace commands
