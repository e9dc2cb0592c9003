// Deleting a button after the user confirms, and deletes that cannot happen.
#include "editor_harness.h"
#include "failing_flush_registry.h"
#include "core/services/registry_errors.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const std::string kKeep = "{10000000-0000-0000-0000-000000000001}";
const std::string kTarget = "{20000000-0000-0000-0000-000000000002}";

void putTwoButtons(EditorHarness& harness, const ButtonValues& target)
{
    harness.putButton(kKeep, {{"ButtonText", "Keep"}, {"Exec", "k.exe"}, {"Icon", "k.ico"}});
    harness.putButton(kTarget, target);
}

// The window with the second button chosen.
frmMain& openWithTargetChosen(EditorHarness& harness, platform::Registry* registry = nullptr)
{
    frmMain& window = harness.open(registry);
    harness.pickKey(kTarget);
    return window;
}

void clickDelete(frmMain& window)
{
    QTest::mouseClick(window.cmdDelete, Qt::LeftButton);
}

} // namespace

class ButtonDeleteTest : public QObject {
    Q_OBJECT

private slots:
    void confirmedDeleteRemovesTheKey_data();
    void confirmedDeleteRemovesTheKey();
    void answeringNoChangesNothing();
    void vanishedButtonIsDeletedQuietly();
    void nothingSelectedDeletesNothing();
    void failedDeleteKeepsEverything_data();
    void failedDeleteKeepsEverything();
};

void ButtonDeleteTest::confirmedDeleteRemovesTheKey_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("listedAs");

    QTest::newRow("a full record")
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon", "ClSID", "Default Visible"}
        << QStringList{"Target", "t.exe", "t.ico", "t.ico", QString::fromStdString(kClsidText), "Yes"}
        << QStringLiteral("Target");
    QTest::newRow("a record listed as Error") << QStringList{"Exec"} << QStringList{"t.exe"} << QStringLiteral("Error");
}

void ButtonDeleteTest::confirmedDeleteRemovesTheKey()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);
    QFETCH(QString, listedAs);

    EditorHarness harness;
    ButtonValues target;
    for (int i = 0; i < names.size(); ++i)
        target.emplace_back(names[i].toStdString(), texts[i].toStdString());
    putTwoButtons(harness, target);
    frmMain& window = openWithTargetChosen(harness);
    QCOMPARE(window.cmbButtons->currentText(), listedAs);
    harness.messages.queueAnswer(platform::MessageAnswer::Yes);

    clickDelete(window);

    QCOMPARE(harness.messages.shown().size(), std::size_t{1});
    const platform::MessageRequest& question = harness.messages.shown().front();
    QCOMPARE(question.text, std::string("Are you sure you want to delete this button?"));
    QCOMPARE(question.title, std::string("Delete Button?"));
    QCOMPARE(question.buttons, platform::MessageButtons::YesNo);
    QCOMPARE(question.defaultButton, platform::MessageAnswer::Yes);
    QCOMPARE(harness.buttonKeysOnDisk(), std::vector<std::string>{kKeep});
    QCOMPARE(entries(*window.cmbButtons), (QStringList{"Create New...", "Keep"}));
    QCOMPARE(entries(*window.cmbCLS), (QStringList{"Create New...", QString::fromStdString(kKeep)}));
    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
    QVERIFY(!window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
    QCOMPARE(window.cmbButtons->currentIndex(), -1);
    QCOMPARE(window.cmbButtons->currentText().toStdString(), kPrompt);
}

void ButtonDeleteTest::answeringNoChangesNothing()
{
    EditorHarness harness;
    putTwoButtons(harness, {{"ButtonText", "Target"}, {"Exec", "t.exe"}});
    frmMain& window = openWithTargetChosen(harness);
    const auto fileBefore = harness.hive.fileBytes();
    const QStringList fields = harness.fieldTexts();
    const int selected = window.cmbButtons->currentIndex();
    harness.messages.queueAnswer(platform::MessageAnswer::No);

    clickDelete(window);

    QCOMPARE(harness.messages.shown().size(), std::size_t{1});
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts(), fields);
    QCOMPARE(window.cmbButtons->currentIndex(), selected);
    QCOMPARE(entries(*window.cmbButtons), (QStringList{"Create New...", "Keep", "Target"}));
    QVERIFY(window.cmdSave->isEnabled());
    QVERIFY(window.cmdDelete->isEnabled());
}

void ButtonDeleteTest::vanishedButtonIsDeletedQuietly()
{
    EditorHarness harness;
    putTwoButtons(harness, {{"ButtonText", "Target"}});
    frmMain& window = openWithTargetChosen(harness);
    harness.deleteElsewhere(kTarget);
    harness.messages.queueAnswer(platform::MessageAnswer::Yes);

    clickDelete(window);

    QCOMPARE(harness.messages.shown().size(), std::size_t{1});
    QCOMPARE(entries(*window.cmbButtons), (QStringList{"Create New...", "Keep"}));
    QVERIFY(!window.cmdDelete->isEnabled());
}

void ButtonDeleteTest::nothingSelectedDeletesNothing()
{
    EditorHarness harness;
    putTwoButtons(harness, {{"ButtonText", "Target"}});
    frmMain& window = openWithTargetChosen(harness);
    window.cmbButtons->lineEdit()->selectAll();
    QTest::keyClicks(window.cmbButtons, QStringLiteral("Keep"));
    const auto fileBefore = harness.hive.fileBytes();

    clickDelete(window);

    QCOMPARE(harness.messages.shownTexts(),
             std::vector<std::string>{"No button is selected in the list. Pick the button you want to change from "
                                      "the list first."});
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts()[0], QStringLiteral("Target"));
}

void ButtonDeleteTest::failedDeleteKeepsEverything_data()
{
    // Whether the hive file is read-only, whether the button's key has a sub
    // key, and the reason the message must give.
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("subKey");
    QTest::addColumn<QString>("reason");
    QTest::newRow("hive cannot be written")
        << true << false
        << QStringLiteral("The registry hive cannot be changed: the hive file, its folder or its disk is read-only.");
    QTest::newRow("commit fails") << false << false
                                  << QString::fromStdString(
                                         services::describeRegistryError(FailingFlushRegistry::kFailure));
    const QString subKeys = QStringLiteral("Its registry key has sub keys, which Pennant does not delete.");
    QTest::newRow("key has a sub key") << false << true << subKeys;
    QTest::newRow("key has a sub key, hive cannot be written") << true << true << subKeys;
}

void ButtonDeleteTest::failedDeleteKeepsEverything()
{
    QFETCH(bool, readOnly);
    QFETCH(bool, subKey);
    QFETCH(QString, reason);

    EditorHarness harness;
    putTwoButtons(harness, {{"ButtonText", "Target"}, {"Exec", "t.exe"}});
    if (subKey)
        harness.hive.createKey(buttonPath(kTarget) + "\\Nested");
    std::unique_ptr<platform::HiveRegistry> readOnlyHive;
    FailingFlushRegistry failing(harness.hive.registry());
    platform::Registry* registry = &failing;
    if (readOnly) {
        readOnlyHive = harness.openReadOnly();
        registry = readOnlyHive.get();
    }
    frmMain& window = openWithTargetChosen(harness, registry);
    const auto fileBefore = harness.hive.fileBytes();
    const QStringList fields = harness.fieldTexts();
    harness.messages.queueAnswer(platform::MessageAnswer::Yes);

    clickDelete(window);

    QCOMPARE(harness.messages.shownTexts().back(), "The button was not deleted. " + reason.toStdString());
    QCOMPARE(harness.hive.registry().flush(), platform::kSuccess);
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts(), fields);
    QVERIFY(window.cmdDelete->isEnabled());
}

QTEST_MAIN(ButtonDeleteTest)
#include "tst_button_delete.moc"
