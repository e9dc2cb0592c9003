// The real Qt Open dialog: the file types it shows, the files each one lets
// through, and that it leaves no settings behind.
#include "qt/desktop/qt_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const std::vector<platform::FileFilter> kExecutableFilters{
    {"Executables (*.exe;*.com;*.bat)", {"*.exe", "*.com", "*.bat"}}, {"All Files (*.*)", {"*.*"}}};
const std::vector<platform::FileFilter> kIconFilters{{"Icons (*.ico)", {"*.ico"}}, {"All Files (*.*)", {"*.*"}}};
const QStringList kAllFiles{"SETUP.COM", "UPPER.ICO", "noext", "notes.txt", "run.bat", "small.ico", "tool.exe"};

// What the person sees after choosing one file type.
struct DialogView {
    QStringList fileTypes;
    QStringList files;
};

QStringList visibleFiles(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    auto* model = list ? qobject_cast<QFileSystemModel*>(list->model()) : nullptr;
    QStringList names;
    if (!model)
        return names;
    for (int row = 0; row < model->rowCount(list->rootIndex()); ++row)
        names << model->index(row, 0, list->rootIndex()).data().toString();
    names.sort();
    return names;
}

// Types the file's name and presses Open, as a person would.
void openFile(QFileDialog& dialog, const QString& name)
{
    if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        QTest::keyClicks(edit, name);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
        buttons->button(QDialogButtonBox::Open)->click();
    if (dialog.isVisible())
        dialog.reject();
}

} // namespace

class QtFileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void eachFileTypeShowsItsLabelAndItsFiles_data();
    void eachFileTypeShowsItsLabelAndItsFiles();
    void answeredDialogLeavesNoSettings();

private:
    // The user's settings folder, empty at the start.
    QTemporaryDir config_;
};

void QtFileDialogTest::initTestCase()
{
    QVERIFY(config_.isValid());
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
}

void QtFileDialogTest::eachFileTypeShowsItsLabelAndItsFiles_data()
{
    QTest::addColumn<std::vector<platform::FileFilter>>("filters");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("executables") << kExecutableFilters << 0 << QStringList{"SETUP.COM", "run.bat", "tool.exe"};
    QTest::newRow("all files after executables") << kExecutableFilters << 1 << kAllFiles;
    QTest::newRow("icons, any case") << kIconFilters << 0 << QStringList{"UPPER.ICO", "small.ico"};
    QTest::newRow("all files after icons") << kIconFilters << 1 << kAllFiles;
}

void QtFileDialogTest::eachFileTypeShowsItsLabelAndItsFiles()
{
    QFETCH(std::vector<platform::FileFilter>, filters);
    QFETCH(int, chosen);
    QFETCH(QStringList, files);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString& name : kAllFiles) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    // Acts as the person: opens the folder, chooses the file type, and picks
    // the first file listed.
    DialogView seen;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->setDirectory(folder.path());
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i)
            seen.fileTypes << types->itemText(i);
        if (types) {
            types->setCurrentIndex(chosen);
            emit types->activated(chosen);
        }
        // The folder is read in the background; a wrong count is caught below.
        static_cast<void>(QTest::qWaitFor([&] { return visibleFiles(*dialog).size() == files.size(); }, 5000));
        seen.files = visibleFiles(*dialog);
        if (seen.files.isEmpty()) {
            dialog->reject();
            return;
        }
        openFile(*dialog, seen.files.constFirst());
    });

    platform::QtFileDialogs dialogs;
    const std::optional<std::string> picked = dialogs.getOpenFileName({"Select Icon For Button", filters});

    QStringList labels;
    for (const platform::FileFilter& filter : filters)
        labels << QString::fromStdString(filter.description);
    QCOMPARE(seen.fileTypes, labels);
    QCOMPARE(seen.files, files);
    QVERIFY(picked.has_value());
    QCOMPARE(QString::fromStdString(*picked), QDir(folder.path()).filePath(files.constFirst()));
}

void QtFileDialogTest::answeredDialogLeavesNoSettings()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("tool.exe")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTimer::singleShot(0, this, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->setDirectory(folder.path());
            openFile(*dialog, QStringLiteral("tool.exe"));
        }
    });

    platform::QtFileDialogs dialogs;
    const std::optional<std::string> picked = dialogs.getOpenFileName({"Select Executable", kExecutableFilters});

    QCOMPARE(picked, std::optional(QDir(folder.path()).filePath(QStringLiteral("tool.exe")).toStdString()));
    QCOMPARE(QDir(config_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
}

QTEST_MAIN(QtFileDialogTest)
#include "tst_qt_file_dialog.moc"
