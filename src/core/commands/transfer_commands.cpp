#include "core/commands/button_commands.h"
#include "core/commands/command_hive.h"
#include "core/commands/transfer_files.h"
#include "core/services/button_transfer.h"
#include "core/services/reg_file.h"

#include <ostream>

namespace commands {

namespace {

const char* actionWord(services::ImportedKey::Action action, bool dryRun)
{
    switch (action) {
    case services::ImportedKey::Action::Created:
        return dryRun ? "would create" : "created";
    case services::ImportedKey::Action::Updated:
        return dryRun ? "would update" : "updated";
    case services::ImportedKey::Action::Deleted:
        break;
    }
    return dryRun ? "would delete" : "deleted";
}

std::string atLine(int line)
{
    return line == 0 ? std::string() : "line " + std::to_string(line) + ": ";
}

} // namespace

int runExport(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {"-o", "--output"}, {}, -1);
    if (!prepared)
        return kBadUsage;
    const auto output = prepared->arguments.value("-o") ? prepared->arguments.value("-o")
                                                         : prepared->arguments.value("--output");
    // The file is UTF-16 text, which a terminal shows as noise.
    if (!output && invocation.outputIsTerminal)
        return fail(invocation, kBadUsage,
                    "Nothing was exported: a .reg file is not for a terminal. Give -o FILE, or redirect the output.");
    std::string problem;
    const auto bytes = services::exportButtons(prepared->general(), prepared->arguments.positionals(), &problem);
    if (!bytes)
        return fail(invocation, kRefused, "Nothing was exported. " + problem);
    if (!output) {
        invocation.out << *bytes;
        return kDone;
    }
    if (const auto failed = replaceFile(*output, *bytes, prepared->hive->hiveFile()))
        return fail(invocation, kRefused, "Nothing was exported. " + *failed);
    return kDone;
}

int runImport(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {}, {"--dry-run"}, 1);
    if (!prepared)
        return kBadUsage;
    const std::string& path = prepared->arguments.positionals().front();
    const std::string shown = path == "-" ? "standard input" : path;
    std::string problem;
    const auto bytes = readInput(path, invocation.in, &problem);
    if (!bytes)
        return fail(invocation, kBadUsage, "Nothing was imported. " + problem);
    services::RegFileProblem malformed;
    const auto sections = services::parseRegFile(*bytes, &malformed);
    if (!sections)
        return fail(invocation, kRefused,
                    "Nothing was imported from " + shown + ": " + atLine(malformed.line) + malformed.reason);
    const bool dryRun = prepared->arguments.flag("--dry-run");
    std::vector<services::ImportedKey> imported;
    std::vector<services::ImportWarning> warnings;
    if (const auto refusal = services::importButtons(prepared->general(), *sections, !dryRun, &imported, &warnings))
        return fail(invocation, kRefused,
                    "Nothing was imported from " + shown + ": " + atLine(refusal->line) + refusal->reason);
    if (services::looksLikeUtf8WithoutMark(*bytes))
        invocation.err << "pennant: warning: " << shown
                       << " has no byte order mark, so it was read in the Windows code page 1252, as Windows reads "
                          "it, but it looks like UTF-8: save it as UTF-16 or UTF-8 with a byte order mark.\n";
    for (const services::ImportWarning& warning : warnings)
        invocation.err << "pennant: warning: " << atLine(warning.line) << warning.text << '\n';
    for (const services::ImportedKey& key : imported)
        invocation.out << actionWord(key.action, dryRun) << ' ' << key.keyName << '\n';
    return kDone;
}

} // namespace commands
