// Saving a button: creating and updating records, the checks before any
// write, and saves that fail, which must leave the hive as it was.
#include "editor_harness.h"
#include "failing_flush_registry.h"
#include "core/services/registry_errors.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <deque>

namespace {

const QStringList kAllNames{"ButtonText",    "Exec",     "Icon",  "HotIcon",
                            "MenuStatusBar", "MenuText", "ClSID", "Default Visible"};
const std::string kStoredKey = "{22222222-0000-0000-0000-000000000002}";
const ButtonValues kStoredButton{
    {"ButtonText", "Stored"},        {"Exec", "stored.exe"},      {"Icon", "stored.ico"}, {"HotIcon", "stored-hot.ico"},
    {"MenuStatusBar", "Stored bar"}, {"MenuText", "Stored menu"}, {"ClSID", kClsidText},  {"Default Visible", "Yes"}};
const QStringList kComplete{"Fresh", "fresh.exe", "fresh.ico", "", "", ""};

std::string notSaved(platform::LSTATUS status)
{
    return "The button was not saved. " + services::describeRegistryError(status);
}

// Picks the create entry, or the stored button for an update.
void chooseCreateOrStored(EditorHarness& harness, bool create)
{
    if (create)
        harness.pick(0);
    else
        harness.pickKey(kStoredKey);
}

void click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// The key names on disk that were not there before.
std::vector<std::string> newKeys(const std::vector<std::string>& before, const std::vector<std::string>& after)
{
    std::vector<std::string> added;
    for (const std::string& name : after)
        if (std::find(before.begin(), before.end(), name) == before.end())
            added.push_back(name);
    return added;
}

// Identifiers as the UUID source hands them out, in a given order: the
// only way to meet a clash with an existing key.
class QueuedUuids final : public platform::UuidSource {
public:
    explicit QueuedUuids(std::deque<std::string> texts) : texts_(std::move(texts)) {}
    std::int32_t create(platform::Uuid* uuid) override
    {
        uuid->fill(0);
        return platform::kRpcOk;
    }
    std::int32_t toString(const platform::Uuid&, std::string* text) override
    {
        if (texts_.empty())
            return platform::kRpcOutOfMemory;
        *text = texts_.front();
        texts_.pop_front();
        return platform::kRpcOk;
    }

private:
    std::deque<std::string> texts_;
};

} // namespace

class ButtonSaveTest : public QObject {
    Q_OBJECT

private slots:
    void createWritesANewRecord_data();
    void createWritesANewRecord();
    void updateRewritesTheChosenRecord_data();
    void updateRewritesTheChosenRecord();
    void createIsDecidedByTheListText();
    void missingFieldWritesNothing_data();
    void missingFieldWritesNothing();
    void failedSaveSavesNothing_data();
    void failedSaveSavesNothing();
    void halfWrittenCreateLeavesNothingBehind();
    void updateOfVanishedButtonSaysSo();
    void nothingSelectedSavesNothing();
    void clashingIdentifierIsDrawnAgain();
};

void ButtonSaveTest::createWritesANewRecord_data()
{
    // The six fields as typed, then the values the new key holds.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("all six fields: eight values")
        << QStringList{"Notes", "C:\\notes.exe", "n.ico", "nh.ico", "Open notes", "&Notes"} << kAllNames
        << QStringList{
               "Notes", "C:\\notes.exe", "n.ico", "nh.ico", "Open notes", "&Notes", QString::fromStdString(kClsidText),
               "Yes"};
    QTest::newRow("required fields only: six values, HotIcon is the icon")
        << QStringList{"Notes", "notes.exe", "n.ico", "", "", ""}
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon", "ClSID", "Default Visible"}
        << QStringList{"Notes", "notes.exe", "n.ico", "n.ico", QString::fromStdString(kClsidText), "Yes"};
    QTest::newRow("status bar text without menu text")
        << QStringList{"Notes", "notes.exe", "n.ico", "", "Open notes", ""}
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon", "MenuStatusBar", "ClSID", "Default Visible"}
        << QStringList{"Notes", "notes.exe", "n.ico", "n.ico", "Open notes", QString::fromStdString(kClsidText), "Yes"};
    QTest::newRow("blanks and long texts stored as typed")
        << QStringList{"A button text of exactly forty characters", " x.exe ", "  ", "", "", "   "}
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon", "MenuText", "ClSID", "Default Visible"}
        << QStringList{"A button text of exactly forty characters", " x.exe ", "  ", "  ", "   ",
                       QString::fromStdString(kClsidText),          "Yes"};
}

void ButtonSaveTest::createWritesANewRecord()
{
    QFETCH(QStringList, fields);
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);

    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    frmMain& window = harness.open();
    const auto keysBefore = harness.buttonKeysOnDisk();
    harness.pick(0);
    harness.fillFields(fields);

    click(window.cmdSave);

    const auto added = newKeys(keysBefore, harness.buttonKeysOnDisk());
    QCOMPARE(added.size(), std::size_t{1});
    const std::string& key = added.front();
    QCOMPARE(key.size(), std::size_t{38});
    QCOMPARE(key.front(), '{');
    QCOMPARE(key.back(), '}');
    QCOMPARE(harness.valueNamesOnDisk(key), names);
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(harness.stringOnDisk(key, names[i].toStdString()), std::optional(texts[i].toStdString()));
        QCOMPARE(harness.hive.readOnDisk(buttonPath(key), names[i].toStdString())->type, platform::kRegSz);
    }
    QCOMPARE(harness.messages.shown().size(), std::size_t{1});
    QCOMPARE(harness.messages.shown().front().text, kCreated);
    QCOMPARE(harness.messages.shown().front().title, std::string("Pennant"));
    QCOMPARE(harness.messages.shown().front().buttons, platform::MessageButtons::Ok);
    // The editor is reset, with the new button listed.
    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
    QVERIFY(!window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
    QCOMPARE(window.cmbButtons->currentIndex(), -1);
    QCOMPARE(window.cmbButtons->currentText().toStdString(), kPrompt);
    const int position = window.cmbCLS->findText(QString::fromStdString(key), Qt::MatchExactly);
    QVERIFY(position > 0);
    QCOMPARE(window.cmbButtons->itemText(position), fields[0]);
}

void ButtonSaveTest::updateRewritesTheChosenRecord_data()
{
    // The record on disk, the fields as the user leaves them, then every
    // value the record holds afterwards.
    QTest::addColumn<QStringList>("storedNames");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");

    const QString clsid = QString::fromStdString(kClsidText);
    QTest::newRow("every field changed") << kAllNames << QStringList{"New",         "new.exe", "new.ico",
                                                                     "new-hot.ico", "New bar", "New menu"}
                                         << kAllNames << QStringList{"New",     "new.exe",  "new.ico", "new-hot.ico",
                                                                     "New bar", "New menu", clsid,     "Yes"};
    QTest::newRow("emptied optional fields keep the stored texts")
        << kAllNames << QStringList{"New", "new.exe", "new.ico", "new-hot.ico", "", ""} << kAllNames
        << QStringList{"New", "new.exe", "new.ico", "new-hot.ico", "Stored bar", "Stored menu", clsid, "Yes"};
    QTest::newRow("emptied mouse-over field stores the icon")
        << kAllNames << QStringList{"Stored", "stored.exe", "new.ico", "", "Stored bar", "Stored menu"} << kAllNames
        << QStringList{"Stored", "stored.exe", "new.ico", "new.ico", "Stored bar", "Stored menu", clsid, "Yes"};
    QTest::newRow("no ClSID or Default Visible added")
        << QStringList{"ButtonText", "Exec", "Icon"} << QStringList{"New", "new.exe", "new.ico", "", "", ""}
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon"} << QStringList{"New", "new.exe", "new.ico", "new.ico"};
    QTest::newRow("optional values added when typed")
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon"}
        << QStringList{"Stored", "stored.exe", "stored.ico", "stored-hot.ico", "A bar", "A menu"}
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon", "MenuStatusBar", "MenuText"}
        << QStringList{"Stored", "stored.exe", "stored.ico", "stored-hot.ico", "A bar", "A menu"};
}

void ButtonSaveTest::updateRewritesTheChosenRecord()
{
    QFETCH(QStringList, storedNames);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);

    EditorHarness harness;
    ButtonValues stored;
    for (const auto& [name, text] : kStoredButton)
        if (storedNames.contains(QString::fromStdString(name)))
            stored.emplace_back(name, text);
    harness.putButton(kStoredKey, stored);
    harness.putButton("{33333333-0000-0000-0000-000000000003}", {{"ButtonText", "Other"}});
    frmMain& window = harness.open();
    const auto keysBefore = harness.buttonKeysOnDisk();
    harness.pickKey(kStoredKey);
    harness.fillFields(fields);

    click(window.cmdSave);

    QCOMPARE(harness.buttonKeysOnDisk(), keysBefore);
    QCOMPARE(harness.valueNamesOnDisk(kStoredKey), names);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(harness.stringOnDisk(kStoredKey, names[i].toStdString()), std::optional(texts[i].toStdString()));
    QCOMPARE(harness.valueNamesOnDisk("{33333333-0000-0000-0000-000000000003}"), QStringList{"ButtonText"});
    QCOMPARE(harness.messages.shownTexts(), std::vector<std::string>{"Button Updated!"});
    QCOMPARE(harness.messages.shown().front().title, std::string("Pennant"));
    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
    QVERIFY(!window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
    QCOMPARE(window.cmbButtons->currentText().toStdString(), kPrompt);
    QVERIFY(entries(*window.cmbButtons).contains(fields[0]));
}

void ButtonSaveTest::createIsDecidedByTheListText()
{
    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    frmMain& window = harness.open();
    const auto keysBefore = harness.buttonKeysOnDisk();
    harness.pickKey(kStoredKey);
    window.cmbButtons->lineEdit()->selectAll();
    QTest::keyClicks(window.cmbButtons, QStringLiteral("Create New..."));
    harness.fillFields({"Copy", "copy.exe", "copy.ico"});

    click(window.cmdSave);

    QCOMPARE(newKeys(keysBefore, harness.buttonKeysOnDisk()).size(), std::size_t{1});
    QCOMPARE(harness.stringOnDisk(kStoredKey, "ButtonText"), std::optional<std::string>("Stored"));
    QCOMPARE(harness.messages.shownTexts(), std::vector<std::string>{kCreated});
}

void ButtonSaveTest::missingFieldWritesNothing_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("message");

    for (const bool create : {true, false}) {
        const char* kind = create ? "create" : "update";
        QTest::addRow("%s without button text", kind)
            << create << QStringList{"", "x.exe", "", "", "bar", "menu"} << QStringLiteral("Button Text Is Required");
        QTest::addRow("%s without executable", kind) << create << QStringList{"X", "", "", "hot.ico", "", ""}
                                                     << QStringLiteral("A URL or Executable Is Required");
        QTest::addRow("%s without icon", kind) << create << QStringList{"X", "x.exe", "", "hot.ico", "bar", "menu"}
                                               << QStringLiteral("An Icon Is Required");
    }
}

void ButtonSaveTest::missingFieldWritesNothing()
{
    QFETCH(bool, create);
    QFETCH(QStringList, fields);
    QFETCH(QString, message);

    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    frmMain& window = harness.open();
    const auto fileBefore = harness.hive.fileBytes();
    chooseCreateOrStored(harness, create);
    const int selected = window.cmbButtons->currentIndex();
    harness.fillFields(fields);

    click(window.cmdSave);

    QCOMPARE(harness.messages.shownTexts(), std::vector<std::string>{message.toStdString()});
    QCOMPARE(harness.messages.shown().front().title, std::string("Missing Value"));
    QCOMPARE(harness.messages.shown().front().buttons, platform::MessageButtons::Ok);
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts(), fields);
    QCOMPARE(window.cmbButtons->currentIndex(), selected);
    QVERIFY(window.cmdSave->isEnabled());
    // Nothing half-done waits in memory for a later commit either.
    QCOMPARE(harness.hive.registry().flush(), platform::kSuccess);
    QVERIFY(harness.hive.fileBytes() == fileBefore);
}

void ButtonSaveTest::failedSaveSavesNothing_data()
{
    // Whether the hive file is read-only (else its commit fails), and why
    // the message says the save failed.
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<std::string>("reason");

    for (const bool create : {true, false}) {
        const char* kind = create ? "create" : "update";
        QTest::addRow("%s, hive cannot be written", kind)
            << create << true
            << std::string("The registry hive cannot be changed: the hive file, its folder or its disk is read-only.");
        QTest::addRow("%s, commit fails", kind)
            << create << false << services::describeRegistryError(FailingFlushRegistry::kFailure);
    }
}

void ButtonSaveTest::failedSaveSavesNothing()
{
    QFETCH(bool, create);
    QFETCH(bool, readOnly);
    QFETCH(std::string, reason);

    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    FailingFlushRegistry failing(harness.hive.registry());
    const auto readOnlyHive = readOnly ? harness.openReadOnly() : nullptr;
    frmMain& window = harness.open(readOnly ? static_cast<platform::Registry*>(readOnlyHive.get()) : &failing);
    const auto fileBefore = harness.hive.fileBytes();
    chooseCreateOrStored(harness, create);
    harness.fillFields(kComplete);

    click(window.cmdSave);

    QCOMPARE(harness.messages.shownTexts(), std::vector<std::string>{"The button was not saved. " + reason});
    QCOMPARE(harness.messages.shown().front().title, std::string("Pennant"));
    QCOMPARE(harness.fieldTexts(), kComplete);
    QVERIFY(window.cmdSave->isEnabled());
    // The refused changes were dropped: a later commit does not carry them.
    QCOMPARE(harness.hive.registry().flush(), platform::kSuccess);
    QVERIFY(harness.hive.fileBytes() == fileBefore);
}

void ButtonSaveTest::halfWrittenCreateLeavesNothingBehind()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    const auto fileBefore = harness.hive.fileBytes();
    harness.pick(0);
    // Too long for one hive cell: the key and "ButtonText" are written
    // before "Exec" is refused.
    const QStringList tooLong{"Big", QString(9000, u'x'), "big.ico", "", "", ""};
    harness.fillFields(tooLong);

    click(window.cmdSave);

    QCOMPARE(harness.messages.shownTexts(), std::vector<std::string>{notSaved(platform::kFileTooLarge)});
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts(), tooLong);

    window.txtExec->setText(QStringLiteral("small.exe"));
    click(window.cmdSave);

    const auto keys = harness.buttonKeysOnDisk();
    QCOMPARE(keys.size(), std::size_t{1});
    QCOMPARE(harness.stringOnDisk(keys.front(), "Exec"), std::optional<std::string>("small.exe"));
}

void ButtonSaveTest::updateOfVanishedButtonSaysSo()
{
    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    frmMain& window = harness.open();
    harness.pickKey(kStoredKey);
    harness.deleteElsewhere(kStoredKey);
    const auto fileBefore = harness.hive.fileBytes();
    harness.fillFields(kComplete);

    click(window.cmdSave);

    QCOMPARE(harness.messages.shownTexts(),
             std::vector<std::string>{"The button was not saved. Its registry key no longer exists; another "
                                      "program may have deleted it."});
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QVERIFY(harness.buttonKeysOnDisk().empty());
    // The editor reset still runs: the list no longer offers the button.
    QCOMPARE(entries(*window.cmbButtons), QStringList{"Create New..."});
    QCOMPARE(entries(*window.cmbCLS), QStringList{"Create New..."});
    QCOMPARE(window.cmbButtons->currentText().toStdString(), kPrompt);
    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
    QVERIFY(!window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
}

void ButtonSaveTest::nothingSelectedSavesNothing()
{
    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    frmMain& window = harness.open();
    harness.pickKey(kStoredKey);
    window.cmbButtons->lineEdit()->selectAll();
    QTest::keyClicks(window.cmbButtons, QStringLiteral("create new..."));
    const QStringList loaded = harness.fieldTexts();
    const auto fileBefore = harness.hive.fileBytes();

    click(window.cmdSave);

    QCOMPARE(harness.messages.shownTexts(),
             std::vector<std::string>{"No button is selected in the list. Pick the button you want to change from "
                                      "the list first."});
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts(), loaded);
    QCOMPARE(window.cmbButtons->currentText(), QStringLiteral("create new..."));
}

void ButtonSaveTest::clashingIdentifierIsDrawnAgain()
{
    EditorHarness harness;
    harness.putButton(kStoredKey, kStoredButton);
    QueuedUuids uuids({"22222222-0000-0000-0000-000000000002", "44444444-0000-0000-0000-000000000004"});
    frmMain& window = harness.open(nullptr, &uuids);
    harness.pick(0);
    harness.fillFields(kComplete);

    click(window.cmdSave);

    QCOMPARE(harness.buttonKeysOnDisk(),
             (std::vector<std::string>{kStoredKey, "{44444444-0000-0000-0000-000000000004}"}));
    for (const auto& [name, text] : kStoredButton)
        QCOMPARE(harness.stringOnDisk(kStoredKey, name), std::optional(text));
    QCOMPARE(harness.stringOnDisk("{44444444-0000-0000-0000-000000000004}", "ButtonText"),
             std::optional<std::string>("Fresh"));
    QCOMPARE(harness.messages.shownTexts(), std::vector<std::string>{kCreated});
}

QTEST_MAIN(ButtonSaveTest)
#include "tst_button_save.moc"
