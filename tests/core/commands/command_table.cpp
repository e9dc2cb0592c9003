// The sub-commands as a person runs them, on the registry the program edits:
// its default hive file on Linux (in a folder of the test's own, made and
// seeded as on a first start), the live registry under Wine for Windows.
// One table of cases, the same on both: exit status, what is printed, and
// that a refusal changes nothing. Plain C++, so that it builds wherever the
// core builds.
#include "core/commands/sub_commands.h"
#include "core/system/desktop_shell.h"
#include "core/system/uuid.h"
#include "core/services/button_layout.h"
#include "core/services/button_store.h"
#include "core/services/general.h"
#include "core/services/program_registry.h"
#include "support/registry_tree.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace platform;
namespace buttons = services::buttons;

namespace {

const std::string kOld = "{11111111-1111-1111-1111-111111111111}";
const std::string kStock = "{2E7A5C1D-6B3F-4C8E-9A1D-0F5B7E3C9A42}";

struct Outcome {
    int status = 0;
    std::string out;
    std::string err;
};

// Answers the shared procedures' messages with their default button.
class QuietMessages final : public MessageBoxes {
public:
    MessageAnswer show(const MessageRequest& request) override
    {
        return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : request.defaultButton;
    }
};

// The program's registry with the shared procedures over it.
struct OpenedRegistry {
    services::ProgramRegistry program;
    QuietMessages messages;
    DesktopShell shell;
    std::unique_ptr<UuidSource> uuids = systemUuidSource();
    std::optional<services::General> general;

    OpenedRegistry()
    {
        std::string error;
        auto opened = services::openProgramRegistry(std::nullopt, &error);
        if (!opened) {
            std::cerr << "The program's registry cannot be opened: " << error << '\n';
            std::exit(2);
        }
        program = std::move(*opened);
        general.emplace(*program.registry, messages, shell, *uuids);
    }
};

// The key at path and everything below it, with every value's type and
// data, as text.
void dump(Registry& registry, const std::string& path, std::string* shown)
{
    HKEY key = 0;
    if (registry.openKey(kLocalMachine, path, kKeyRead, &key) != kSuccess)
        return;
    *shown += "[" + path + "]\n";
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    for (std::uint32_t i = 0; registry.enumValue(key, i, &name, &type, &data) == kSuccess; ++i)
        *shown += name + "=" + std::to_string(type) + ":" + std::string(data.begin(), data.end()) + "\n";
    const std::vector<std::string> children = registry_tree::subKeyNames(registry, key);
    registry.closeKey(key);
    for (const std::string& each : children)
        dump(registry, path + "\\" + each, shown);
}

// Everything below the Extensions key: what a refusal must leave exactly as
// it was.
std::string snapshot()
{
    OpenedRegistry opened;
    std::string shown;
    dump(*opened.program.registry, buttons::kExtensionsPath, &shown);
    return shown;
}

// Empties the Extensions key and puts back the browser's own button and the
// custom button kOld.
void resetButtons()
{
    OpenedRegistry opened;
    Registry& registry = *opened.program.registry;
    registry_tree::deleteTree(registry, buttons::kExtensionsPath);
    const std::string stock = std::string(buttons::kExtensionsPath) + "\\" + kStock;
    HKEY key = 0;
    registry.createKey(kLocalMachine, stock, &key);
    const std::string text = "@shdoclc.dll,-10311";
    registry.setValue(key, buttons::kButtonText, kRegSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                      static_cast<std::uint32_t>(text.size() + 1));
    registry.closeKey(key);
    services::writeNewButton(*opened.general, kOld, {"Old", "old.exe", "old.ico", "", "", "Old menu"});
    services::commitButtonChanges(*opened.general);
}

// Runs "pennant arguments..."; a person at a terminal answers with answer
// when it is given.
Outcome run(std::vector<std::string> arguments, const std::optional<std::string>& answer = std::nullopt)
{
    const std::string name = arguments.front();
    arguments.erase(arguments.begin());
    std::istringstream in(answer.value_or("") + "\n");
    std::ostringstream out;
    std::ostringstream err;
    const commands::Invocation invocation{std::nullopt, arguments, out, err, in, answer.has_value()};
    const commands::SubCommand* command = commands::findSubCommand(name);
    const int status = command != nullptr ? commands::runSubCommand(*command, invocation) : -1;
    return {status, out.str(), err.str()};
}

struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<std::string> answer; // typed at a terminal; none: no terminal
    int status;
    std::string pattern; // searched in what was printed: out for status 0, err otherwise
    bool changes;
};

const std::string kOldPattern = "\\{1{8}-1{4}-1{4}-1{4}-1{12}\\}";

const std::vector<Case> kCases = {
    {"list", {"list"}, {}, 0, "^" + kOldPattern + "\tOld\n$", false},
    {"show", {"show", kOld}, {}, 0, "^ButtonText: Old\nExec: old.exe\n", false},
    {"show a missing key", {"show", "{NONE}"}, {}, 1, "No button has the key \\{NONE\\}\\.\n$", false},
    {"show the browser's own button", {"show", kStock}, {}, 1, "browser's own buttons", false},
    {"show without key", {"show"}, {}, 2, "exactly one", false},
    {"unknown option", {"list", "--frob"}, {}, 2, "Unknown option \"--frob\"", false},
    {"option without value", {"add", "--text"}, {}, 2, "--text needs a value", false},
    {"add", {"add", "--text", "T", "--exec=e", "--icon", "i"}, {}, 0, "^\\{[0-9A-F-]{36}\\}\n$", true},
    {"add with text beyond ASCII", {"add", "--text", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", "--exec", "e", "--icon", "i"},
     {}, 0, "^\\{[0-9A-F-]{36}\\}\n$", true},
    {"add without icon", {"add", "--text", "T", "--exec", "e"}, {}, 1,
     "^pennant: The button was not saved. An Icon Is Required\n$", false},
    {"add with a line break", {"add", "--text", "a\nb", "--exec", "e", "--icon", "i"}, {}, 1, "--text has a line break",
     false},
    {"set", {"set", kOld, "--status", "tip"}, {}, 0, "^$", true},
    {"set emptying a required value", {"set", kOld, "--exec", ""}, {}, 1, "A URL or Executable Is Required", false},
    {"set the browser's own button", {"set", kStock, "--text", "x"}, {}, 1, "browser's own buttons", false},
    {"set without an option", {"set", kOld}, {}, 2, "Nothing was changed", false},
    {"set with a line break", {"set", kOld, "--menu", "a\rb"}, {}, 1, "--menu has a line break", false},
    {"remove without terminal", {"remove", kOld}, {}, 1, "give --yes", false},
    {"remove, answered no", {"remove", kOld}, "n", 1,
     "^Are you sure you want to delete the button \"Old\" \\(" + kOldPattern +
         "\\)\\? \\[y/N\\] pennant: The button was not deleted\\.\n$",
     false},
    {"remove, answered yes", {"remove", kOld}, "y", 0, "^$", true},
    {"remove --yes", {"remove", "--yes", kOld}, {}, 0, "^$", true},
    {"remove a missing key", {"remove", "--yes", "{NONE}"}, {}, 1, "No button", false},
    {"export a missing key", {"export", "{NONE}"}, {}, 1, "Nothing was exported", false},
    {"import a missing file", {"import", "/nonexistent.reg"}, {}, 2, "could not be read: No such file or directory\\.\n$",
     false},
    {"import a folder", {"import", "/"}, {}, 2, "/ is a folder, not a \\.reg file\\.", false},
    {"short help", {"list", "-h"}, {}, 0, "^Usage: pennant \\[--hive PATH\\] list", false},
    {"command help", {"import", "--help"}, {}, 0, "^Usage: pennant \\[--hive PATH\\] import FILE", false},
};

// The failures of one case, empty when it passed.
std::vector<std::string> check(const Case& each)
{
    resetButtons();
    const std::string before = snapshot();
    const Outcome outcome = run(each.arguments, each.answer);
    std::vector<std::string> failures;
    if (outcome.status != each.status)
        failures.push_back("status " + std::to_string(outcome.status) + ", expected " + std::to_string(each.status));
    const std::string& shown = each.status == 0 ? outcome.out : outcome.err;
    if (!std::regex_search(shown, std::regex(each.pattern)))
        failures.push_back("printed \"" + shown + "\", expected to match \"" + each.pattern + "\"");
    if (each.status != 0 && !each.answer && std::count(outcome.err.begin(), outcome.err.end(), '\n') != 1)
        failures.push_back("more than one line on stderr: \"" + outcome.err + "\"");
    if ((snapshot() != before) != each.changes)
        failures.push_back(each.changes ? "the buttons did not change" : "the buttons changed");
    return failures;
}

} // namespace

int main()
{
    int passed = 0;
    int failed = 0;
    for (const Case& each : kCases) {
        const auto failures = check(each);
        if (failures.empty()) {
            ++passed;
            continue;
        }
        ++failed;
        std::cout << "FAIL: " << each.name << '\n';
        for (const std::string& failure : failures)
            std::cout << "  " << failure << '\n';
    }
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}
