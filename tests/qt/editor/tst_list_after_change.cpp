// After a save or a delete the list shows what the hive holds, whether the
// window read only the changed button again or, because another process
// saved in between, everything.
#include "editor_harness.h"
#include "core/services/button_store.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {

const std::string kAlpha = "{A1}";
const std::string kBeta = "{B2}";
const std::string kGamma = "{C3}";

enum class Change { Create, Update, Delete };
enum class Elsewhere { Nothing, AddsButton, RenamesButton, DeletesButton };

// What another process does between the listing and the change, committed.
void changeElsewhere(const TempHive& hive, Elsewhere elsewhere)
{
    if (elsewhere == Elsewhere::Nothing)
        return;
    const auto other = hive.openAgain();
    ScriptedMessageBoxes messages;
    RecordingShell shell;
    platform::LibuuidSource uuids;
    services::General general(*other, messages, shell, uuids);
    if (elsewhere == Elsewhere::DeletesButton) {
        QVERIFY(!services::deleteButton(general, kGamma));
        return;
    }
    const std::string key = elsewhere == Elsewhere::AddsButton ? std::string("{D4}") : kAlpha;
    QCOMPARE(general.CreateRegKey(buttonPath(key)), platform::kSuccess);
    QCOMPARE(general.WriteRegString(buttonPath(key), "ButtonText", "From elsewhere"), platform::kSuccess);
    QCOMPARE(other->flush(), platform::kSuccess);
}

// "Create New..." and the buttons as a fresh reader lists them.
QStringList listedAfresh(const TempHive& hive)
{
    const auto reader = hive.openAgain();
    ScriptedMessageBoxes messages;
    RecordingShell shell;
    platform::LibuuidSource uuids;
    services::General general(*reader, messages, shell, uuids);
    QStringList shown{"Create New..."};
    QStringList keys{"Create New..."};
    const auto listed = services::listButtons(general);
    if (!listed)
        return {"(the Extensions key cannot be opened)"};
    for (const services::ListedButton& button : *listed) {
        shown << QString::fromStdString(button.text);
        keys << QString::fromStdString(button.keyName);
    }
    return shown + keys;
}

} // namespace

class ListAfterChangeTest : public QObject {
    Q_OBJECT

private slots:
    void listMatchesTheHive_data();
    void listMatchesTheHive();
};

void ListAfterChangeTest::listMatchesTheHive_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<Elsewhere>("elsewhere");
    const std::pair<const char*, Change> changes[] = {
        {"create", Change::Create}, {"update", Change::Update}, {"delete", Change::Delete}};
    const std::pair<const char*, Elsewhere> others[] = {{"alone", Elsewhere::Nothing},
                                                        {"another process adds a button", Elsewhere::AddsButton},
                                                        {"another process renames one", Elsewhere::RenamesButton},
                                                        {"another process deletes one", Elsewhere::DeletesButton}};
    for (const auto& [changeName, change] : changes)
        for (const auto& [otherName, elsewhere] : others)
            QTest::addRow("%s, %s", changeName, otherName) << change << elsewhere;
}

void ListAfterChangeTest::listMatchesTheHive()
{
    QFETCH(Change, change);
    QFETCH(Elsewhere, elsewhere);
    EditorHarness harness;
    harness.putButton("{0S}", {{"ButtonText", "@shdoclc.dll,-864"}});
    harness.putButton(kAlpha, {{"ButtonText", "Alpha"}, {"Exec", "a.exe"}, {"Icon", "a.ico"}});
    harness.putButton(kBeta, {{"ButtonText", "Beta"}, {"Exec", "b.exe"}, {"Icon", "b.ico"}});
    harness.putButton(kGamma, {{"ButtonText", "Gamma"}, {"Exec", "c.exe"}, {"Icon", "c.ico"}});
    frmMain& window = harness.open();
    changeElsewhere(harness.hive, elsewhere);

    if (change == Change::Delete) {
        harness.pickKey(kBeta);
        harness.messages.queueAnswer(platform::MessageAnswer::Yes);
        QTest::mouseClick(window.cmdDelete, Qt::LeftButton);
    } else {
        if (change == Change::Create)
            harness.pick(0);
        else
            harness.pickKey(kBeta);
        harness.fillFields({"Saved", "saved.exe", "saved.ico", "", "", ""});
        QTest::mouseClick(window.cmdSave, Qt::LeftButton);
    }

    QCOMPARE(entries(*window.cmbButtons) + entries(*window.cmbCLS), listedAfresh(harness.hive));
    QCOMPARE(entries(*window.cmbButtons).contains("Saved"), change != Change::Delete);
    QCOMPARE(window.cmbButtons->currentIndex(), -1);
}

QTEST_MAIN(ListAfterChangeTest)
#include "tst_list_after_change.moc"
