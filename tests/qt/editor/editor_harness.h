#pragma once

#include "qt/about/about_window.h"
#include "qt/editor/frmmain.h"
#include "core/system/libuuid_source.h"
#include "core/services/general.h"
#include "support/temp_hive.h"
#include "support/test_doubles.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;

// Where the browser keeps its buttons, as a full registry path.
inline const std::string kExtensions = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions";
inline const std::string kClsidText = "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";
inline const std::string kPrompt = "Select Button To Modify or Select 'Create New...'";
inline const std::string kCreated =
    "Button Created!\r\nRestart IE, if Icon doesn't appear\r\n"
    "right-click on the IE toolbar, select 'Customize'\r\nand add your custom button to the list";

std::string buttonPath(const std::string& keyName);

// A button key's string values, name and text, in the order they are stored.
using ButtonValues = std::vector<std::pair<std::string, std::string>>;

// The editor window over a real temporary hive, with the person at the
// keyboard scripted: message boxes answered, files picked.
class EditorHarness {
public:
    EditorHarness();
    ~EditorHarness();

    TempHive hive;
    ScriptedMessageBoxes messages;
    ScriptedFileDialogs files;
    RecordingShell shell;

    // Stores a button key with its values, on disk.
    void putButton(const std::string& keyName, const ButtonValues& values);

    // Creates the window (which lists the buttons at once) over the hive,
    // or over registry standing in front of it, drawing identifiers from
    // uuids when given.
    frmMain& open(platform::Registry* registry = nullptr, platform::UuidSource* uuids = nullptr);
    frmMain& window() { return *window_; }
    services::General& general() { return *general_; }
    about::AboutWindow& about() { return *about_; }

    // The user picks an entry from the list of cmbButtons, as the combo
    // box reports it: the entry becomes current, then activated.
    void pick(int index);
    // Picks the entry for the button key keyName.
    void pickKey(const std::string& keyName);

    // The six editor fields' texts, in window order.
    QStringList fieldTexts() const;
    void fillFields(const QStringList& texts);

    std::optional<std::string> stringOnDisk(const std::string& keyName, const std::string& valueName) const;
    // The names, among the eight a button may hold, that the key has on disk.
    QStringList valueNamesOnDisk(const std::string& keyName) const;
    std::vector<std::string> buttonKeysOnDisk() const;

    // Another program deletes the button key and commits.
    void deleteElsewhere(const std::string& keyName) const;

    // The same hive file opened again after its write bits were taken
    // away: every change is refused with access denied.
    std::unique_ptr<platform::HiveRegistry> openReadOnly() const;

private:
    platform::LibuuidSource libuuid_;
    std::unique_ptr<services::General> general_;
    std::unique_ptr<about::AboutWindow> about_;
    std::unique_ptr<frmMain> window_;
};

QStringList entries(const QComboBox& combo);
