#pragma once

#include "cli/sub_commands.h"

// The sub-commands about buttons; each returns the program's exit status.
namespace cli {

int runList(Invocation& invocation);
int runShow(Invocation& invocation);
int runAdd(Invocation& invocation);
int runSet(Invocation& invocation);
int runRemove(Invocation& invocation);
int runExport(Invocation& invocation);
int runImport(Invocation& invocation);

} // namespace cli
