// The Windows program's two windows, created from their real dialog
// resources over Wine's registry and driven through window messages as a
// person drives them; message boxes and file choices answered by the
// scripted doubles. One table of the editor's behaviour (list, load,
// create, update, delete, refusals), then the windows' own wiring.
#include "about_dialog.h"
#include "main_dialog.h"
#include "open_windows.h"
#include "resource_ids.h"
#include "window_driver.h"

#include "core/editor/editor_texts.h"
#include "core/services/button_layout.h"
#include "core/services/button_store.h"
#include "core/services/button_texts.h"
#include "core/services/general.h"
#include "core/services/program_registry.h"
#include "core/system/uuid.h"
#include "core/system/win32_text.h"
#include "support/registry_tree.h"
#include "support/test_doubles.h"

#include <commctrl.h>

#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace win32_test;
namespace texts = editor::texts;

namespace {

const std::string kKey = "{0A1B2C3D-0000-4000-8000-00000000A001}";
const std::string kNoText = "{0A1B2C3D-0000-4000-8000-00000000A002}";
const std::string kStock = "{0A1B2C3D-0000-4000-8000-00000000A003}";
const std::string kCreated = std::string(texts::kButtonCreated);

// Wine's registry with the shared procedures over it, the person scripted.
struct Program {
    services::ProgramRegistry registry;
    ScriptedMessageBoxes messages;
    ScriptedFileDialogs files;
    RecordingShell shell;
    std::unique_ptr<platform::UuidSource> uuids = platform::systemUuidSource();
    std::optional<services::General> general;
    win32::OpenWindows windows;
    std::optional<win32::AboutDialog> about;
    std::optional<win32::MainDialog> editor;
    HWND main = nullptr;

    explicit Program(services::ProgramRegistry opened) : registry(std::move(opened))
    {
        general.emplace(*registry.registry, messages, shell, *uuids);
        about.emplace(*general, windows, 2, 15);
    }

    // Opens the main window, which lists the buttons the registry holds now.
    // Shown only where the keyboard reaches it: Wine waits for a shown window
    // to be taken off the display when it closes.
    void open(bool show = false)
    {
        editor.emplace(*general, files, *about, windows);
        main = editor->create();
        if (show)
            ShowWindow(main, SW_SHOWNORMAL);
        pumpMessages();
    }

    void store(const std::string& key, const std::vector<std::pair<std::string, std::string>>& values)
    {
        general->CreateRegKey(services::buttonKeyPath(key));
        for (const auto& [name, text] : values)
            general->WriteRegString(services::buttonKeyPath(key), name, text);
        // Committed, as another program's buttons are: the editor takes back
        // only its own uncommitted changes.
        registry.registry->flush();
    }

    // Every key below the Extensions key out of Wine's registry (other tests
    // share it), so that each case starts alike.
    void removeButtons()
    {
        registry_tree::deleteTree(*registry.registry, services::buttons::kExtensionsPath);
        general->CreateRegKey(std::string(services::buttons::kRootName) + "\\" + services::buttons::kExtensionsPath);
        registry.registry->flush();
    }

    std::vector<std::string> listTexts() const
    {
        std::vector<std::string> entries;
        const HWND combo = GetDlgItem(main, IDC_CMBBUTTONS);
        for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            std::wstring text(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            entries.push_back(platform::narrow(text.c_str()));
        }
        return entries;
    }

    int position(const std::string& text) const
    {
        const std::vector<std::string> entries = listTexts();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i] == text)
                return static_cast<int>(i);
        return -1;
    }

    std::vector<std::string> fields() const
    {
        std::vector<std::string> texts;
        for (const int id : {IDC_TXTBUTTONTEXT, IDC_TXTEXEC, IDC_TXTICON, IDC_TXTMO, IDC_TXTSTATUSBAR, IDC_TXTTOOLSMENU})
            texts.push_back(controlText(main, id));
        return texts;
    }

    void fill(const std::vector<std::string>& texts)
    {
        const int ids[] = {IDC_TXTBUTTONTEXT, IDC_TXTEXEC, IDC_TXTICON, IDC_TXTMO, IDC_TXTSTATUSBAR, IDC_TXTTOOLSMENU};
        for (std::size_t i = 0; i < texts.size(); ++i)
            type(main, ids[i], texts[i]);
    }

    services::StoredValues stored(const std::string& key) { return services::storedButtonValues(*general, key); }
    std::string lastMessage() const { return messages.shown().empty() ? "" : messages.shown().back().text; }
    std::string lastTitle() const { return messages.shown().empty() ? "" : messages.shown().back().title; }

    // The key of the one listed button whose text is text.
    std::string keyOf(const std::string& text)
    {
        for (const auto& button : services::listButtons(*general).value_or(std::vector<services::ListedButton>{}))
            if (button.text == text)
                return button.keyName;
        return {};
    }
};

int passed = 0;
int failed = 0;

void check(const std::string& caseName, const std::string& what, bool ok)
{
    if (!ok) {
        ++failed;
        std::cout << "FAIL " << caseName << ": " << what << '\n';
    }
}

bool emptyFields(const Program& p)
{
    for (const std::string& text : p.fields())
        if (!text.empty())
            return false;
    return true;
}

// The editor reset: prompt, six empty fields, Save and Delete disabled.
bool isReset(const Program& p)
{
    return p.position(texts::kCreateNew) == 0 && controlText(p.main, IDC_CMBBUTTONS) == texts::kPrompt &&
           emptyFields(p) && !isEnabled(p.main, IDC_CMDSAVE) && !isEnabled(p.main, IDC_CMDDELETE);
}

struct Case {
    const char* name;
    std::function<void(Program&)> arrange;
    std::function<void(Program&)> act;
    std::function<std::vector<std::pair<std::string, bool>>(Program&)> expect;
};

const services::StoredValues kStored = {{"ButtonText", "Larkspur"},
                                        {"Exec", "C:\\larkspur.exe"},
                                        {"Icon", "C:\\larkspur.ico"},
                                        {"HotIcon", "C:\\hot.ico"},
                                        {"MenuStatusBar", "Status"},
                                        {"MenuText", "Menu"}};

void storeOne(Program& p)
{
    p.store(kKey, kStored);
}

const std::vector<Case> kEditorCases = {
    {"list: Create New first, custom buttons, Error for no text, stock left out",
     [](Program& p) {
         storeOne(p);
         p.store(kNoText, {{"Exec", "x.exe"}});
         p.store(kStock, {{"ButtonText", "@C:\\WINDOWS\\SHDOCLC.DLL,-1"}});
     },
     [](Program&) {},
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"entries", p.listTexts() == std::vector<std::string>{texts::kCreateNew, "Larkspur", "Error"} ||
                                 p.listTexts() == std::vector<std::string>{texts::kCreateNew, "Error", "Larkspur"}},
                 {"initial state", isReset(p)}};
     }},
    {"load: a listed button's six values, Save and Delete enabled",
     storeOne,
     [](Program& p) { pick(p.main, IDC_CMBBUTTONS, p.position("Larkspur")); },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"fields", p.fields() == std::vector<std::string>{"Larkspur", "C:\\larkspur.exe", "C:\\larkspur.ico",
                                                                   "C:\\hot.ico", "Status", "Menu"}},
                 {"save enabled", isEnabled(p.main, IDC_CMDSAVE)},
                 {"delete enabled", isEnabled(p.main, IDC_CMDDELETE)}};
     }},
    {"Create New after a button: fields emptied, Delete disabled",
     storeOne,
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, p.position("Larkspur"));
         pick(p.main, IDC_CMBBUTTONS, 0);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"fields empty", emptyFields(p)},
                 {"save enabled", isEnabled(p.main, IDC_CMDSAVE)},
                 {"delete disabled", !isEnabled(p.main, IDC_CMDDELETE)}};
     }},
    {"create: the record of a new button, the creation message, the reset",
     [](Program&) {},
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, 0);
         p.fill({"Ünïcode", "C:\\run.exe", "C:\\icon.ico"});
         click(p.main, IDC_CMDSAVE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         const std::string key = p.keyOf("Ünïcode");
         return {{"message", p.lastMessage() == kCreated && p.lastTitle() == "Pennant"},
                 {"stored", !key.empty() && p.stored(key) == services::StoredValues{{"ButtonText", "Ünïcode"},
                                                                                    {"Exec", "C:\\run.exe"},
                                                                                    {"Icon", "C:\\icon.ico"},
                                                                                    {"HotIcon", "C:\\icon.ico"},
                                                                                    {"ClSID", services::buttons::kClsidText},
                                                                                    {"Default Visible", "Yes"}}},
                 {"listed", p.position("Ünïcode") > 0},
                 {"reset", isReset(p)}};
     }},
    {"update: typed fields written over the button, empty optional ones kept",
     storeOne,
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, p.position("Larkspur"));
         type(p.main, IDC_TXTBUTTONTEXT, "Renamed");
         type(p.main, IDC_TXTMO, "");
         type(p.main, IDC_TXTTOOLSMENU, "");
         click(p.main, IDC_CMDSAVE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"message", p.lastMessage() == texts::kButtonUpdated && p.lastTitle() == "Pennant"},
                 {"stored", p.stored(kKey) == services::StoredValues{{"ButtonText", "Renamed"},
                                                                     {"Exec", "C:\\larkspur.exe"},
                                                                     {"Icon", "C:\\larkspur.ico"},
                                                                     {"HotIcon", "C:\\larkspur.ico"},
                                                                     {"MenuStatusBar", "Status"},
                                                                     {"MenuText", "Menu"}}},
                 {"reset", isReset(p) && p.position("Renamed") > 0}};
     }},
    {"delete, Yes: the key goes, the list is rebuilt",
     storeOne,
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, p.position("Larkspur"));
         p.messages.queueAnswer(platform::MessageAnswer::Yes);
         click(p.main, IDC_CMDDELETE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         const auto& asked = p.messages.shown().front();
         return {{"question", asked.text == services::texts::kDeleteQuestion && asked.title == texts::kDeleteTitle &&
                                  asked.buttons == platform::MessageButtons::YesNo},
                 {"gone", !services::buttonKeyExists(*p.general, kKey)},
                 {"reset", isReset(p) && p.listTexts().size() == 1}};
     }},
    {"delete, No: nothing changes",
     storeOne,
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, p.position("Larkspur"));
         p.messages.queueAnswer(platform::MessageAnswer::No);
         click(p.main, IDC_CMDDELETE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"kept", p.stored(kKey) == kStored},
                 {"fields kept", p.fields().front() == "Larkspur"},
                 {"still enabled", isEnabled(p.main, IDC_CMDDELETE)}};
     }},
    {"refusal: no button text, nothing written, the fields kept",
     [](Program&) {},
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, 0);
         p.fill({"", "C:\\run.exe", "C:\\icon.ico"});
         click(p.main, IDC_CMDSAVE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"message", p.lastMessage() == services::texts::kButtonTextRequired && p.lastTitle() == "Missing Value"},
                 {"nothing stored", services::listButtons(*p.general).value_or(std::vector<services::ListedButton>{1}).empty()},
                 {"fields kept", p.fields()[1] == "C:\\run.exe" && isEnabled(p.main, IDC_CMDSAVE)}};
     }},
    {"refusal: no executable on update, the stored button unchanged",
     storeOne,
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, p.position("Larkspur"));
         type(p.main, IDC_TXTBUTTONTEXT, "Other");
         type(p.main, IDC_TXTEXEC, "");
         click(p.main, IDC_CMDSAVE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"message", p.lastMessage() == services::texts::kExecRequired && p.lastTitle() == "Missing Value"},
                 {"unchanged", p.stored(kKey) == kStored}};
     }},
    {"refusal: no icon",
     [](Program&) {},
     [](Program& p) {
         pick(p.main, IDC_CMBBUTTONS, 0);
         p.fill({"Text", "C:\\run.exe", ""});
         click(p.main, IDC_CMDSAVE);
     },
     [](Program& p) -> std::vector<std::pair<std::string, bool>> {
         return {{"message", p.lastMessage() == services::texts::kIconRequired && p.lastTitle() == "Missing Value"}};
     }},
};

void runEditorCase(const Case& c, services::ProgramRegistry& source)
{
    Program p(std::move(source));
    p.removeButtons();
    c.arrange(p);
    p.open();
    c.act(p);
    bool ok = true;
    for (const auto& [what, holds] : c.expect(p)) {
        check(c.name, what, holds);
        ok = ok && holds;
    }
    check(c.name, "no unexpected question", p.messages.unexpectedQuestions() == 0);
    passed += ok ? 1 : 0;
    p.removeButtons();
    source = std::move(p.registry);
}

// The windows' own wiring: pickers, links, menu, About, Exit.
void runWiring(services::ProgramRegistry& source)
{
    const char* name = "wiring";
    const int failedBefore = failed;
    Program p(std::move(source));
    p.removeButtons();
    p.open(true);

    p.files.queueChoice("C:\\chosen.ico");
    p.files.queueChoice(std::nullopt);
    click(p.main, IDC_CMDICONBROWSE);
    click(p.main, IDC_CMDMOBROWSE);
    check(name, "icon picker", p.files.requests().size() == 2 &&
                                   p.files.requests()[0].title == texts::kIconPickerTitle &&
                                   p.files.requests()[0].filters.front().description == "Icons (*.ico)" &&
                                   p.files.requests()[1].title == texts::kHotIconPickerTitle);
    check(name, "picked into txtIcon, cancel keeps txtMO",
          controlText(p.main, IDC_TXTICON) == "C:\\chosen.ico" && controlText(p.main, IDC_TXTMO).empty());

    SendMessageW(p.main, WM_COMMAND, MAKEWPARAM(IDC_LBLWEB, STN_CLICKED), 0);
    check(name, "web link", p.shell.links().size() == 1);

    // Enter and Escape press nothing in the main window.
    click(p.main, IDOK);
    SendMessageW(p.main, WM_COMMAND, IDCANCEL, 0);
    check(name, "Enter and Escape ignored", IsWindow(p.main) && p.messages.shown().empty());

    // Alt+A opens the About window, loaded with the version line.
    SetForegroundWindow(p.main);
    SetFocus(GetDlgItem(p.main, IDC_TXTEXEC));
    press('A', true);
    check(name, "Alt+A opens About", runUntil([&] { return p.about->window() != nullptr; }));
    const HWND about = p.about->window();
    check(name, "version line", about != nullptr && controlText(about, IDC_LBLVERSION) == "Version 2.15");
    SendMessageW(p.main, WM_COMMAND, IDM_ABOUT, 0);
    check(name, "About opened once", p.about->window() == about);
    if (about != nullptr) {
        SendMessageW(about, WM_COMMAND, MAKEWPARAM(IDC_LBLEMAIL, STN_CLICKED), 0);
        check(name, "mail link", p.shell.links().size() == 2 && IsWindow(about));
        // Escape reaches the dialog as its cancel command, which unloads it.
        SendMessageW(about, WM_COMMAND, IDCANCEL, 0);
        pumpMessages();
        check(name, "Escape unloads About", p.about->window() == nullptr && !IsWindow(about));
    }

    // Exit ends the program with every window.
    SendMessageW(p.main, WM_COMMAND, IDM_ABOUT, 0);
    // Clicked without running the messages after it, which would take the quit.
    SendMessageW(GetDlgItem(p.main, IDC_CMDEXIT), BM_CLICK, 0, 0);
    MSG quit;
    check(name, "Exit quits", PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE &&
                                  p.about->window() == nullptr && p.editor->window() == nullptr);
    passed += failed == failedBefore ? 1 : 0;
    source = std::move(p.registry);
}

// The programs themselves: pennant.com without a command starts Pennant.exe,
// whose window lists the buttons, opens About with Alt+A and exits.
void runProgram(const std::string& consoleProgram, services::ProgramRegistry& source)
{
    const char* name = "program";
    const int failedBefore = failed;
    {
        Program p(std::move(source));
        p.removeButtons();
        storeOne(p);
        source = std::move(p.registry);
    }
    std::wstring commandLine = L"\"" + platform::widen(consoleProgram) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION console{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &console) != FALSE;
    check(name, "pennant.com starts", started);
    if (!started)
        return;
    WaitForSingleObject(console.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(console.hProcess, &status);
    CloseHandle(console.hThread);
    CloseHandle(console.hProcess);
    check(name, "pennant.com hands over and returns", status == 0);

    HWND main = nullptr;
    const auto findMain = [&main] { return (main = FindWindowW(nullptr, L"Larkspur's Pennant")) != nullptr; };
    check(name, "Pennant.exe opens its window", runUntil(findMain));
    if (main == nullptr)
        return;
    const HWND chooser = GetDlgItem(main, IDC_CMBBUTTONS);
    check(name, "the window lists the button", SendMessageW(chooser, CB_GETCOUNT, 0, 0) == 2);
    SetForegroundWindow(main);
    press('A', true);
    HWND about = nullptr;
    check(name, "Alt+A opens About",
          runUntil([&about] { return (about = FindWindowW(nullptr, L"About Larkspur's Pennant")) != nullptr; }));
    // Exit closes both windows and ends the program.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_CMDEXIT, BN_CLICKED), 0);
    check(name, "Exit closes both windows", runUntil([main, about] { return !IsWindow(main) && !IsWindow(about); }));
    passed += failed == failedBefore ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    std::string error;
    auto opened = services::openProgramRegistry(std::nullopt, &error);
    if (!opened) {
        std::cout << "Wine's registry cannot be opened: " << error << '\n';
        return 1;
    }
    for (const Case& c : kEditorCases)
        runEditorCase(c, *opened);
    runWiring(*opened);
    std::size_t cases = kEditorCases.size() + 1;
    if (argc > 1) {
        runProgram(argv[1], *opened);
        ++cases;
    }
    std::cout << passed << " passed, " << (cases - static_cast<std::size_t>(passed)) << " failed\n";
    return failed == 0 ? 0 : 1;
}
