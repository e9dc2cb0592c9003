// Choosing an entry of the list: the three editor states, loading a
// button's values, and the list's text area, which accepts typing but
// never chooses by it.
#include "editor_harness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QStringList kTypedBefore{"old text", "old.exe", "old.ico", "old-hot.ico", "old status", "old menu"};

} // namespace

class ButtonLoadTest : public QObject {
    Q_OBJECT

private slots:
    void loadsTheChosenButton_data();
    void loadsTheChosenButton();
    void createEntryEmptiesTheFields_data();
    void createEntryEmptiesTheFields();
    void vanishedButtonLoadsEmpty();
    void typingChoosesNothing_data();
    void typingChoosesNothing();
    void arrowKeysChooseEntries();
};

void ButtonLoadTest::loadsTheChosenButton_data()
{
    QTest::addColumn<QStringList>("storedNames");
    QTest::addColumn<QStringList>("storedTexts");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("all six values") << QStringList{"ButtonText", "Exec", "Icon", "HotIcon", "MenuStatusBar", "MenuText"}
                                    << QStringList{"Notes",      "C:\\notes.exe", "C:\\n.ico",
                                                   "C:\\nh.ico", "Open notes",    "&Notes"}
                                    << QStringList{"Notes",      "C:\\notes.exe", "C:\\n.ico",
                                                   "C:\\nh.ico", "Open notes",    "&Notes"};
    QTest::newRow("no status bar or menu text")
        << QStringList{"ButtonText", "Exec", "Icon", "HotIcon"} << QStringList{"Notes", "notes.exe", "n.ico", "nh.ico"}
        << QStringList{"Notes", "notes.exe", "n.ico", "nh.ico", "", ""};
    // Unreadable values empty their fields: the texts typed before must
    // not stay behind to be saved into this button.
    QTest::newRow("only a button text") << QStringList{"ButtonText"} << QStringList{"Bare"}
                                        << QStringList{"Bare", "", "", "", "", ""};
    QTest::newRow("no icon") << QStringList{"ButtonText", "Exec", "HotIcon"} << QStringList{"NoIcon", "x.exe", "h.ico"}
                             << QStringList{"NoIcon", "x.exe", "", "h.ico", "", ""};
    // As the list shows them, so that a save writes back what is shown.
    QTest::newRow("texts cut at a zero character")
        << QStringList{"ButtonText", "Exec", "Icon"}
        << QStringList{QStringLiteral("Zed") + QChar(u'\0') + QStringLiteral("tail"),
                       QStringLiteral("z.exe") + QChar(u'\0'), QStringLiteral("z.ico")}
        << QStringList{"Zed", "z.exe", "z.ico", "", "", ""};
    QTest::newRow("a stored text reading Error counts as unreadable")
        << QStringList{"ButtonText", "Exec", "Icon"} << QStringList{"Odd", "Error", "i.ico"}
        << QStringList{"Odd", "", "i.ico", "", "", ""};
}

void ButtonLoadTest::loadsTheChosenButton()
{
    QFETCH(QStringList, storedNames);
    QFETCH(QStringList, storedTexts);
    QFETCH(QStringList, fields);

    EditorHarness harness;
    ButtonValues values;
    for (int i = 0; i < storedNames.size(); ++i)
        values.emplace_back(storedNames[i].toStdString(), storedTexts[i].toStdString());
    harness.putButton("{11111111-0000-0000-0000-000000000001}", values);
    frmMain& window = harness.open();
    harness.fillFields(kTypedBefore);

    harness.pickKey("{11111111-0000-0000-0000-000000000001}");

    QCOMPARE(harness.fieldTexts(), fields);
    QVERIFY(window.cmdSave->isEnabled());
    QVERIFY(window.cmdDelete->isEnabled());
    QVERIFY(harness.messages.shown().empty());
}

void ButtonLoadTest::createEntryEmptiesTheFields_data()
{
    // The key picked after a button was loaded; nothing for the create entry.
    QTest::addColumn<QString>("picked");
    QTest::newRow("the create entry") << QString();
    QTest::newRow("a button whose text reads Create New...") << QStringLiteral("{B}");
}

void ButtonLoadTest::createEntryEmptiesTheFields()
{
    QFETCH(QString, picked);

    EditorHarness harness;
    harness.putButton("{A}", {{"ButtonText", "A"}, {"Exec", "a.exe"}, {"Icon", "a.ico"}});
    harness.putButton("{B}", {{"ButtonText", "Create New..."}, {"Exec", "b.exe"}, {"Icon", "b.ico"}});
    frmMain& window = harness.open();
    harness.pickKey("{A}");
    QCOMPARE(window.txtButtonText->text(), QStringLiteral("A"));

    if (picked.isNull())
        harness.pick(0);
    else
        harness.pickKey(picked.toStdString());

    QCOMPARE(window.cmbButtons->currentText(), QStringLiteral("Create New..."));
    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
    QVERIFY(window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
}

void ButtonLoadTest::vanishedButtonLoadsEmpty()
{
    EditorHarness harness;
    harness.putButton("{C}", {{"ButtonText", "Gone"}, {"Exec", "c.exe"}, {"Icon", "c.ico"}});
    frmMain& window = harness.open();
    harness.deleteElsewhere("{C}");
    harness.fillFields(kTypedBefore);

    harness.pickKey("{C}");

    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
    QVERIFY(window.cmdSave->isEnabled());
    QVERIFY(window.cmdDelete->isEnabled());
}

void ButtonLoadTest::typingChoosesNothing_data()
{
    // What the user types over the chosen entry, and the key that ends it.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");

    QTest::newRow("new text, Enter") << QStringLiteral("Something else") << int(Qt::Key_Return);
    QTest::newRow("the create entry's text, Enter") << QStringLiteral("Create New...") << int(Qt::Key_Enter);
    QTest::newRow("another entry's text, Enter") << QStringLiteral("Second") << int(Qt::Key_Return);
    QTest::newRow("another entry's text in other case, Tab") << QStringLiteral("second") << int(Qt::Key_Tab);
    QTest::newRow("the create entry's text, Tab") << QStringLiteral("Create New...") << int(Qt::Key_Tab);
    QTest::newRow("another entry's text, Escape") << QStringLiteral("Second") << int(Qt::Key_Escape);
}

void ButtonLoadTest::typingChoosesNothing()
{
    QFETCH(QString, typed);
    QFETCH(int, key);

    EditorHarness harness;
    harness.putButton("{D1}", {{"ButtonText", "First"}, {"Exec", "1.exe"}, {"Icon", "1.ico"}});
    harness.putButton("{D2}", {{"ButtonText", "Second"}, {"Exec", "2.exe"}, {"Icon", "2.ico"}});
    frmMain& window = harness.open();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    harness.pickKey("{D1}");
    const QStringList loaded = harness.fieldTexts();
    const QStringList listBefore = entries(*window.cmbButtons);
    window.cmbButtons->setFocus();
    window.cmbButtons->lineEdit()->selectAll();

    QTest::keyClicks(window.cmbButtons, typed);
    QCOMPARE(window.cmbButtons->currentIndex(), -1);
    QTest::keyClick(window.cmbButtons, Qt::Key(key));

    QCOMPARE(window.cmbButtons->currentIndex(), -1);
    QCOMPARE(window.cmbButtons->currentText(), typed);
    QVERIFY(window.cmbButtons->completer() == nullptr);
    QCOMPARE(entries(*window.cmbButtons), listBefore);
    QCOMPARE(entries(*window.cmbCLS).size(), listBefore.size());
    QCOMPARE(harness.fieldTexts(), loaded);
    QVERIFY(window.cmdDelete->isEnabled());
}

void ButtonLoadTest::arrowKeysChooseEntries()
{
    EditorHarness harness;
    harness.putButton("{E1}", {{"ButtonText", "First"}, {"Exec", "1.exe"}, {"Icon", "1.ico"}});
    frmMain& window = harness.open();
    window.cmbButtons->setFocus();

    QTest::keyClick(window.cmbButtons, Qt::Key_Down);
    QCOMPARE(window.cmbButtons->currentText(), QStringLiteral("Create New..."));
    QVERIFY(window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());

    QTest::keyClick(window.cmbButtons, Qt::Key_Down);
    QCOMPARE(window.cmbButtons->currentText(), QStringLiteral("First"));
    QCOMPARE(harness.fieldTexts(), (QStringList{"First", "1.exe", "1.ico", "", "", ""}));
    QVERIFY(window.cmdDelete->isEnabled());
}

QTEST_MAIN(ButtonLoadTest)
#include "tst_button_load.moc"
