// The button list: which keys of the Extensions key the window lists, under
// which texts, and the two parallel lists.
#include "editor_harness.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {

const QString kCreateNew = QStringLiteral("Create New...");

QString repeated(const QString& piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

class ButtonListTest : public QObject {
    Q_OBJECT

private slots:
    void listsButtonsOfTheExtensionsKey_data();
    void listsButtonsOfTheExtensionsKey();
    void missingExtensionsKeyIsReportedOnce();
    void listingStartsWithNothingSelected();
};

void ButtonListTest::listsButtonsOfTheExtensionsKey_data()
{
    // Key names and their "ButtonText" (a null text: no such value), then
    // what the two lists hold after "Create New...". Keys are named so that
    // the hive's order is the order given.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("buttonTexts");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("listedKeys");

    QTest::newRow("no buttons") << QStringList{} << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("browser's own buttons left out in any letter case")
        << QStringList{"{A1}", "{A2}", "{A3}", "{A4}", "{A5}"}
        << QStringList{"@C:\\WINDOWS\\System32\\shdoclc.dll,-864", "SHDOCLC", "Tools ShDocLc", "shdoc", "Mail"}
        << QStringList{"shdoc", "Mail"} << QStringList{"{A4}", "{A5}"};
    // Beyond ASCII the search folds as Qt does: the long s is an s.
    QTest::newRow("browser's own buttons left out in texts beyond ASCII")
        << QStringList{"{A6}", "{A7}", "{A8}"}
        << QStringList{QString::fromUtf8("Über SHDOCLC"), QString::fromUtf8("\u017Fhdoclc"), QString::fromUtf8("Über")}
        << QStringList{QString::fromUtf8("Über")} << QStringList{"{A8}"};
    QTest::newRow("unreadable text listed as Error") << QStringList{"{B1}", "{B2}"} << QStringList{QString(), "Notes"}
                                                     << QStringList{"Error", "Notes"} << QStringList{"{B1}", "{B2}"};
    QTest::newRow("same text twice") << QStringList{"{C1}", "{C2}"} << QStringList{"Twin", "Twin"}
                                     << QStringList{"Twin", "Twin"} << QStringList{"{C1}", "{C2}"};
    QTest::newRow("text cut at a zero character")
        << QStringList{"{D1}"} << QStringList{QStringLiteral("Cut") + QChar(u'\0') + QStringLiteral("away")}
        << QStringList{"Cut"} << QStringList{"{D1}"};
    QTest::newRow("button named like the create entry")
        << QStringList{"{E1}"} << QStringList{kCreateNew} << QStringList{kCreateNew} << QStringList{"{E1}"};
    // Names of 255 characters, the longest the registry allows, of one,
    // two and three bytes each.
    const QStringList longNames{repeated("a", 255), repeated("b", 254) + "z", repeated(QString::fromUtf8("é"), 255),
                                repeated(QString::fromUtf8("中"), 255)};
    QTest::newRow("long key names") << longNames << QStringList{"One", "Two", "Three", "Four"}
                                    << QStringList{"One", "Two", "Three", "Four"} << longNames;
}

void ButtonListTest::listsButtonsOfTheExtensionsKey()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, buttonTexts);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, listedKeys);

    EditorHarness harness;
    for (int i = 0; i < keys.size(); ++i) {
        ButtonValues values{{"Exec", "run.exe"}};
        if (!buttonTexts[i].isNull())
            values.emplace_back("ButtonText", buttonTexts[i].toStdString());
        harness.putButton(keys[i].toStdString(), values);
    }
    frmMain& window = harness.open();

    QCOMPARE(entries(*window.cmbButtons), QStringList{kCreateNew} + shown);
    QCOMPARE(entries(*window.cmbCLS), QStringList{kCreateNew} + listedKeys);
    QVERIFY(harness.messages.shown().empty());
}

void ButtonListTest::missingExtensionsKeyIsReportedOnce()
{
    EditorHarness harness;
    QCOMPARE(harness.hive.registry().deleteKey(platform::kLocalMachine,
                                               "Software\\Microsoft\\Internet Explorer\\Extensions"),
             platform::kSuccess);
    QCOMPARE(harness.hive.registry().flush(), platform::kSuccess);

    frmMain& window = harness.open();

    QCOMPARE(harness.messages.shown().size(), std::size_t{1});
    const platform::MessageRequest& box = harness.messages.shown().front();
    QCOMPARE(box.text, std::string("Registry key could not be opened."));
    QCOMPARE(box.title, std::string("Pennant"));
    QCOMPARE(box.buttons, platform::MessageButtons::Ok);
    QCOMPARE(entries(*window.cmbButtons), QStringList{kCreateNew});
    QCOMPARE(entries(*window.cmbCLS), QStringList{kCreateNew});
}

void ButtonListTest::listingStartsWithNothingSelected()
{
    EditorHarness harness;
    harness.putButton("{F1}", {{"ButtonText", "First"}});
    frmMain& window = harness.open();

    QCOMPARE(window.cmbButtons->currentIndex(), -1);
    QCOMPARE(window.cmbButtons->currentText().toStdString(), kPrompt);
    QVERIFY(!window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
    QCOMPARE(harness.fieldTexts(), QStringList(6, QString()));
}

QTEST_MAIN(ButtonListTest)
#include "tst_button_list.moc"
