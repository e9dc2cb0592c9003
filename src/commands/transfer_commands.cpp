#include "commands/button_commands.h"
#include "commands/command_hive.h"
#include "services/button_transfer.h"
#include "services/reg_file.h"

#include <fstream>
#include <iterator>
#include <ostream>

namespace commands {

namespace {

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return bytes;
}

bool writeWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

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

std::string nothingImported(const std::string& file, int line, const std::string& reason)
{
    if (line == 0)
        return "Nothing was imported from " + file + ": " + reason;
    return "Nothing was imported from " + file + ": line " + std::to_string(line) + ": " + reason;
}

} // namespace

int runExport(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {"-o", "--output"}, {}, -1);
    if (!prepared)
        return kBadUsage;
    std::string problem;
    const auto bytes = services::exportButtons(prepared->general(), prepared->arguments.positionals(), &problem);
    if (!bytes)
        return fail(invocation, kRefused, "Nothing was exported. " + problem);
    const auto output = prepared->arguments.value("-o") ? prepared->arguments.value("-o")
                                                         : prepared->arguments.value("--output");
    if (!output) {
        invocation.out << *bytes << std::flush;
        return kDone;
    }
    if (!writeWholeFile(*output, *bytes))
        return fail(invocation, kRefused, "The file " + *output + " could not be written.");
    return kDone;
}

int runImport(const Invocation& invocation)
{
    auto prepared = prepareCommand(invocation, {}, {"--dry-run"}, 1);
    if (!prepared)
        return kBadUsage;
    const std::string& path = prepared->arguments.positionals().front();
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return fail(invocation, kBadUsage, "The file " + path + " could not be read.");
    services::RegFileProblem problem;
    const auto sections = services::parseRegFile(*bytes, &problem);
    if (!sections)
        return fail(invocation, kRefused, nothingImported(path, problem.line, problem.reason));
    const bool dryRun = prepared->arguments.flag("--dry-run");
    std::vector<services::ImportedKey> imported;
    if (const auto refusal = services::importButtons(prepared->general(), *sections, !dryRun, &imported))
        return fail(invocation, kRefused, nothingImported(path, refusal->line, refusal->reason));
    for (const services::ImportedKey& key : imported)
        invocation.out << actionWord(key.action, dryRun) << ' ' << key.keyName << '\n';
    return kDone;
}

} // namespace commands
