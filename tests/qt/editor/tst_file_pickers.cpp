// The three Browse buttons and the dialog component behind them.
#include "qt/editor/common_dialog.h"
#include "editor_harness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(std::vector<platform::FileFilter>)

namespace {

const std::vector<platform::FileFilter> kExecutableFilters{
    {"Executables (*.exe;*.com;*.bat)", {"*.exe", "*.com", "*.bat"}}, {"All Files (*.*)", {"*.*"}}};
const std::vector<platform::FileFilter> kIconFilters{{"Icons (*.ico)", {"*.ico"}}, {"All Files (*.*)", {"*.*"}}};

bool sameFilters(const std::vector<platform::FileFilter>& a, const std::vector<platform::FileFilter>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.description == y.description && x.patterns == y.patterns;
    });
}

} // namespace

class FilePickersTest : public QObject {
    Q_OBJECT

private slots:
    void filterTextBecomesChoices_data();
    void filterTextBecomesChoices();
    void pickerFillsItsField_data();
    void pickerFillsItsField();
    void cancelKeepsTheField_data();
    void cancelKeepsTheField();
};

void FilePickersTest::filterTextBecomesChoices_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<std::vector<platform::FileFilter>>("choices");

    QTest::newRow("executables") << QStringLiteral(
                                        "Executables (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|All Files (*.*)|*.*")
                                 << kExecutableFilters;
    QTest::newRow("icons") << QStringLiteral("Icons (*.ico)|*.ico|All Files (*.*)|*.*") << kIconFilters;
    QTest::newRow("empty") << QString() << std::vector<platform::FileFilter>{};
    QTest::newRow("description without patterns")
        << QStringLiteral("Icons (*.ico)|*.ico|Dangling") << std::vector<platform::FileFilter>{kIconFilters.front()};
}

void FilePickersTest::filterTextBecomesChoices()
{
    QFETCH(QString, filter);
    QFETCH(std::vector<platform::FileFilter>, choices);

    QVERIFY(sameFilters(editor::parseFilterText(filter), choices));
}

void FilePickersTest::pickerFillsItsField_data()
{
    // The button, the position of its field among the six, the dialog's
    // title and its file type choices.
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("title");
    QTest::addColumn<std::vector<platform::FileFilter>>("filters");

    QTest::newRow("executable") << "cmdExecBrowse" << 1 << "Select Executable For Button To Run" << kExecutableFilters;
    QTest::newRow("icon") << "cmdIconBrowse" << 2 << "Select Icon For Button" << kIconFilters;
    QTest::newRow("mouse-over icon") << "cmdMOBrowse" << 3 << "Select Mouse Over Icon For Button" << kIconFilters;
}

void FilePickersTest::pickerFillsItsField()
{
    QFETCH(QString, button);
    QFETCH(int, field);
    QFETCH(QString, title);
    QFETCH(std::vector<platform::FileFilter>, filters);

    EditorHarness harness;
    harness.putButton("{P}", {{"ButtonText", "P"}, {"Exec", "p.exe"}, {"Icon", "p.ico"}, {"HotIcon", "ph.ico"}});
    frmMain& window = harness.open();
    harness.pickKey("{P}");
    const int selected = window.cmbButtons->currentIndex();
    QStringList expected = harness.fieldTexts();
    expected[field] = QStringLiteral("/home/user/My Tools/chosen file.ico");
    // A path from an earlier pick is not offered again.
    window.cd1.FileName = QStringLiteral("/earlier/choice.ico");
    harness.files.queueChoice("/home/user/My Tools/chosen file.ico");

    QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);

    QCOMPARE(harness.files.requests().size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(harness.files.requests().front().title), title);
    QVERIFY(sameFilters(harness.files.requests().front().filters, filters));
    QCOMPARE(harness.fieldTexts(), expected);
    QCOMPARE(window.cmbButtons->currentIndex(), selected);
    QVERIFY(window.cmdSave->isEnabled());
    QVERIFY(window.cmdDelete->isEnabled());
}

void FilePickersTest::cancelKeepsTheField_data()
{
    pickerFillsItsField_data();
}

void FilePickersTest::cancelKeepsTheField()
{
    QFETCH(QString, button);
    QFETCH(int, field);

    EditorHarness harness;
    frmMain& window = harness.open();
    harness.pick(0);
    QStringList kept(6, QString());
    kept[field] = QStringLiteral("/kept/path");
    harness.fillFields(kept);
    window.cd1.FileName = QStringLiteral("/earlier/choice.ico");
    harness.files.queueChoice(std::nullopt);

    QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);

    QCOMPARE(harness.files.requests().size(), std::size_t{1});
    QCOMPARE(harness.fieldTexts(), kept);
    QVERIFY(window.cd1.FileName.isEmpty());
    QVERIFY(harness.messages.shown().empty());
}

QTEST_MAIN(FilePickersTest)
#include "tst_file_pickers.moc"
