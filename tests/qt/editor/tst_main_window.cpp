// The main window itself: its controls and their layout, keyboard, screen
// reader names, and the three simple commands.
#include "qt/widgets/drawn_line.h"
#include "qt/about/frmabout.h"
#include "qt/widgets/link_label.h"
#include "editor_harness.h"
#include "qt/desktop/window_metrics.h"
#include "resources/program_icon.h"
#include "core/services/maker.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>

#include <limits>

namespace {

const QStringList kTextBoxes{"txtButtonText", "txtExec", "txtIcon", "txtMO", "txtStatusBar", "txtToolsMenu"};

QString shownText(const QWidget& control)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(&control))
        return combo->currentText();
    return control.property("text").toString();
}

// Every object a screen reader can reach from the window.
void collectAccessible(QAccessibleInterface* node, QSet<QObject*>& found)
{
    if (node == nullptr)
        return;
    found.insert(node->object());
    for (int i = 0; i < node->childCount(); ++i)
        collectAccessible(node->child(i), found);
}

// The window shown and active, with one button in the hive and chosen.
frmMain& showWithButtonChosen(EditorHarness& harness)
{
    harness.putButton("{M}", {{"ButtonText", "Mail"}, {"Exec", "mail.exe"}, {"Icon", "mail.ico"}});
    frmMain& window = harness.open();
    window.show();
    window.activateWindow();
    if (QTest::qWaitForWindowActive(&window))
        harness.pickKey("{M}");
    return window;
}

// Collects what Qt would print while it is alive, instead of printing it.
class PrintedMessages {
public:
    PrintedMessages() { previous_ = qInstallMessageHandler(record); }
    ~PrintedMessages() { qInstallMessageHandler(previous_); }
    static QStringList& lines()
    {
        static QStringList printed;
        return printed;
    }

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& text) { lines() << text; }
    QtMessageHandler previous_ = nullptr;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAreLaidOutInTwips_data();
    void controlsAreLaidOutInTwips();
    void windowHasFixedFrameCaptionAndIcon();
    void windowOpensCentredWithFocusOnTheList();
    void startPrintsNothing();
    void fontsAndColours();
    void tabVisitsTheControlsInOrder_data();
    void tabVisitsTheControlsInOrder();
    void enterAndEscapeTriggerNothing_data();
    void enterAndEscapeTriggerNothing();
    void controlsHaveAccessibleNames_data();
    void controlsHaveAccessibleNames();
    void hiddenControlsAreNotExposed();
    void webLabelOpensTheMakersPage();
    void aboutShowsOneAboutWindow();
    void closeBoxLeavesTheAboutWindowOpen();
    void exitEndsTheProgramAndClosesEveryWindow();
};

void MainWindowTest::controlsAreLaidOutInTwips_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");

    const auto row = [](const char* name, const char* kind, const char* text, int l, int t, int w, int h) {
        QTest::newRow(name) << kind << QString::fromUtf8(text) << QRect(l, t, w, h);
    };
    row("cmbButtons", "QComboBox", "Select Button To Modify or Select 'Create New...'", 15, 90, 4245, 315);
    row("lblButtonText", "QLabel", "Button Text (Should be < 12 Characters)", 0, 555, 2910, 255);
    row("txtButtonText", "QLineEdit", "", 0, 750, 4215, 285);
    row("lblExec", "QLabel", "Executable or URL", 0, 1155, 1470, 255);
    row("txtExec", "QLineEdit", "", 0, 1350, 2895, 285);
    row("cmdExecBrowse", "QPushButton", "Browse", 2970, 1365, 1215, 255);
    row("lblIcon", "QLabel", "Icon", 0, 1755, 465, 255);
    row("txtIcon", "QLineEdit", "", 0, 1950, 2895, 285);
    row("cmdIconBrowse", "QPushButton", "Browse", 2970, 1965, 1215, 255);
    row("lblHotIcon", "QLabel", "Mouse Over Icon", 0, 2340, 1365, 255);
    row("txtMO", "QLineEdit", "", 0, 2535, 2895, 285);
    row("cmdMOBrowse", "QPushButton", "Browse", 2970, 2550, 1215, 255);
    row("lblStatusBar", "QLabel", "Status Bar Text", 0, 2925, 1215, 255);
    row("txtStatusBar", "QLineEdit", "", 0, 3120, 4215, 285);
    row("lblMenuText", "QLabel", "'Tools' Menu Text", 0, 3510, 1350, 255);
    row("txtToolsMenu", "QLineEdit", "", 0, 3705, 4215, 285);
    row("cmdSave", "QPushButton", "Save Button", 143, 4080, 1215, 495);
    row("cmdDelete", "QPushButton", "Delete Button", 1553, 4080, 1215, 495);
    row("cmdExit", "QPushButton", "Exit", 2963, 4080, 1215, 495);
    row("lblweb", "QLabel", "www.larkspur.example", 885, 4830, 2505, 240);
}

void MainWindowTest::controlsAreLaidOutInTwips()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, twips);

    EditorHarness harness;
    frmMain& window = harness.open();
    const QWidget* control = window.findChild<QWidget*>(QString::fromUtf8(QTest::currentDataTag()));

    QVERIFY(control != nullptr);
    QVERIFY(control->inherits(kind.toLatin1().constData()));
    QCOMPARE(shownText(*control), text);
    QCOMPARE(control->geometry(), platform::twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(control->parentWidget(), window.centralWidget());
}

void MainWindowTest::windowHasFixedFrameCaptionAndIcon()
{
    EditorHarness harness;
    frmMain& window = harness.open();

    QCOMPARE(window.windowTitle(), QStringLiteral("Larkspur's Pennant"));
    QCOMPARE(window.windowIcon().pixmap(32, 32).toImage(), resources::programIcon().pixmap(32, 32).toImage());
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.centralWidget()->size(), QSize(platform::twipsToPixels(4320), platform::twipsToPixels(5085)));
    QCOMPARE(window.menuBar()->actions().size(), 1);
    QCOMPARE(window.menuBar()->actions().front(), window.mnuAbout);
    QCOMPARE(window.mnuAbout->text(), QStringLiteral("&About"));
    QVERIFY(window.mnuAbout->menu() == nullptr);
    // The separator: one pixel high, running past the right edge.
    QCOMPARE(window.Line1->geometry(), QRect(0, platform::twipsToPixels(480), platform::twipsToPixels(5760), 1));
}

void MainWindowTest::windowOpensCentredWithFocusOnTheList()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    const QPoint screenCentre = window.screen()->availableGeometry().center();
    QVERIFY((window.geometry().center() - screenCentre).manhattanLength() <= 2);
    QCOMPARE(QApplication::focusWidget(), window.cmbButtons);
    QVERIFY(!window.cmdSave->isEnabled());
    QVERIFY(!window.cmdDelete->isEnabled());
}

void MainWindowTest::startPrintsNothing()
{
    PrintedMessages::lines().clear();
    bool exposed = false;
    {
        const PrintedMessages printed;
        EditorHarness harness;
        harness.putButton("{M}", {{"ButtonText", "Mail"}, {"Exec", "mail.exe"}, {"Icon", "mail.ico"}});
        frmMain& window = harness.open();
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }
    QVERIFY(exposed);
    QCOMPARE(PrintedMessages::lines(), QStringList{});
}

void MainWindowTest::fontsAndColours()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    const QFont dialog = platform::dialogFont();

    for (const QWidget* control : window.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QCOMPARE(control->font().family(), dialog.family());
        QCOMPARE(control->font().pointSizeF(), 8.25);
        QCOMPARE(control->font().underline(), control == window.lblweb);
    }
    QCOMPARE(window.lblweb->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    for (const QLabel* label : window.centralWidget()->findChildren<QLabel*>())
        QVERIFY(label->autoFillBackground());
    QCOMPARE(window.Line1->colour(), window.palette().color(QPalette::WindowText));
    for (const QString& name : kTextBoxes) {
        const auto* box = window.findChild<QLineEdit*>(name);
        QCOMPARE(box->maxLength(), std::numeric_limits<int>::max());
        QVERIFY(box->hasFrame());
        QVERIFY(box->alignment() & Qt::AlignLeft);
    }
    QVERIFY(window.txtFix->isHidden());
    QVERIFY(window.cmbCLS->isHidden());
    QCOMPARE(window.txtFix->text(), QStringLiteral("Text1"));
}

void MainWindowTest::tabVisitsTheControlsInOrder_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QStringList>("visited");

    const QStringList fields{"txtButtonText", "txtExec",     "cmdExecBrowse", "txtIcon",     "cmdIconBrowse",
                             "txtMO",         "cmdMOBrowse", "txtStatusBar",  "txtToolsMenu"};
    QTest::newRow("nothing chosen") << -1 << fields + QStringList{"cmdExit", "cmbButtons"};
    QTest::newRow("create entry chosen") << 0 << fields + QStringList{"cmdSave", "cmdExit", "cmbButtons"};
    QTest::newRow("button chosen") << 1 << fields + QStringList{"cmdSave", "cmdDelete", "cmdExit", "cmbButtons"};
}

void MainWindowTest::tabVisitsTheControlsInOrder()
{
    QFETCH(int, chosen);
    QFETCH(QStringList, visited);

    EditorHarness harness;
    harness.putButton("{T}", {{"ButtonText", "Tab"}});
    frmMain& window = harness.open();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (chosen >= 0)
        harness.pick(chosen);
    window.cmbButtons->setFocus();

    for (const QString& name : visited) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

void MainWindowTest::enterAndEscapeTriggerNothing_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");

    for (const QString& name : QStringList{"cmbButtons"} + kTextBoxes)
        for (const auto& [keyName, key] : {std::pair{"Enter", Qt::Key_Enter}, std::pair{"Return", Qt::Key_Return},
                                           std::pair{"Escape", Qt::Key_Escape}})
            QTest::addRow("%s %s", qPrintable(name), keyName) << name << int(key);
}

void MainWindowTest::enterAndEscapeTriggerNothing()
{
    QFETCH(QString, control);
    QFETCH(int, key);

    EditorHarness harness;
    frmMain& window = showWithButtonChosen(harness);
    QVERIFY(window.isActiveWindow());
    const QStringList fields = harness.fieldTexts();
    const auto fileBefore = harness.hive.fileBytes();
    QWidget* target = window.findChild<QWidget*>(control);
    target->setFocus();

    QTest::keyClick(target, Qt::Key(key));

    QVERIFY(harness.messages.shown().empty());
    QVERIFY(harness.files.requests().empty());
    QVERIFY(window.isVisible());
    QVERIFY(harness.hive.fileBytes() == fileBefore);
    QCOMPARE(harness.fieldTexts(), fields);
    QCOMPARE(window.cmbButtons->currentText(), QStringLiteral("Mail"));
    QVERIFY(window.cmdSave->isEnabled());
}

void MainWindowTest::controlsHaveAccessibleNames_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("cmbButtons") << "Toolbar buttons";
    QTest::newRow("Line1") << "Separator";
    QTest::newRow("lblButtonText") << "Button Text (Should be < 12 Characters)";
    QTest::newRow("txtButtonText") << "Button Text (Should be < 12 Characters)";
    QTest::newRow("lblExec") << "Executable or URL";
    QTest::newRow("txtExec") << "Executable or URL";
    QTest::newRow("cmdExecBrowse") << "Browse";
    QTest::newRow("lblIcon") << "Icon";
    QTest::newRow("txtIcon") << "Icon";
    QTest::newRow("cmdIconBrowse") << "Browse";
    QTest::newRow("lblHotIcon") << "Mouse Over Icon";
    QTest::newRow("txtMO") << "Mouse Over Icon";
    QTest::newRow("cmdMOBrowse") << "Browse";
    QTest::newRow("lblStatusBar") << "Status Bar Text";
    QTest::newRow("txtStatusBar") << "Status Bar Text";
    QTest::newRow("lblMenuText") << "'Tools' Menu Text";
    QTest::newRow("txtToolsMenu") << "'Tools' Menu Text";
    QTest::newRow("cmdSave") << "Save Button";
    QTest::newRow("cmdDelete") << "Delete Button";
    QTest::newRow("cmdExit") << "Exit";
    QTest::newRow("lblweb") << "www.larkspur.example";
}

void MainWindowTest::controlsHaveAccessibleNames()
{
    QFETCH(QString, name);

    EditorHarness harness;
    frmMain& window = harness.open();
    QWidget* control = window.findChild<QWidget*>(QString::fromUtf8(QTest::currentDataTag()));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);

    QVERIFY(accessible != nullptr);
    QCOMPARE(control->accessibleName(), name);
    // Qt on Linux announces an editable combo box by its text instead.
    if (qobject_cast<QComboBox*>(control) == nullptr)
        QCOMPARE(accessible->text(QAccessible::Name), name);
}

void MainWindowTest::hiddenControlsAreNotExposed()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSet<QObject*> reachable;
    collectAccessible(QAccessible::queryAccessibleInterface(&window), reachable);

    QVERIFY(reachable.contains(window.cmbButtons));
    QVERIFY(reachable.contains(window.txtToolsMenu));
    QVERIFY(!reachable.contains(window.txtFix.get()));
    QVERIFY(!reachable.contains(window.cmbCLS.get()));
    QVERIFY(!window.txtFix->isVisible());
    QVERIFY(!window.cmbCLS->isVisible());
}

void MainWindowTest::webLabelOpensTheMakersPage()
{
    EditorHarness harness;
    frmMain& window = harness.open();

    QTest::mouseClick(window.lblweb, Qt::LeftButton);

    QCOMPARE(harness.shell.links(), std::vector<std::string>{services::maker::kWebPageLink});
    QCOMPARE(window.lblweb->cursor().shape(), Qt::ArrowCursor);
}

void MainWindowTest::aboutShowsOneAboutWindow()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint aboutItem = window.menuBar()->actionGeometry(window.mnuAbout).center();

    QTest::mouseClick(window.menuBar(), Qt::LeftButton, {}, aboutItem);
    QWidget* first = harness.about().current();
    QTest::mouseClick(window.menuBar(), Qt::LeftButton, {}, aboutItem);

    QVERIFY(first != nullptr);
    QCOMPARE(static_cast<QWidget*>(harness.about().current()), first);
    QVERIFY(first->isVisible());
    QVERIFY(window.isVisible());
    first->close();
}

void MainWindowTest::closeBoxLeavesTheAboutWindowOpen()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    window.show();
    window.mnuAbout->trigger();
    QWidget* about = harness.about().current();
    QVERIFY(about != nullptr);

    window.close();

    QVERIFY(!window.isVisible());
    QVERIFY(about->isVisible());
    about->close();
}

void MainWindowTest::exitEndsTheProgramAndClosesEveryWindow()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    window.show();
    window.mnuAbout->trigger();
    QVERIFY(harness.about().current() != nullptr);
    QApplication::setQuitOnLastWindowClosed(false);

    QMetaObject::invokeMethod(
        window.cmdExit, [&window] { QTest::mouseClick(window.cmdExit, Qt::LeftButton); }, Qt::QueuedConnection);
    const int exitCode = QApplication::exec();

    QCOMPARE(exitCode, 0);
    QVERIFY(!window.isVisible());
    QVERIFY(harness.about().current() == nullptr || !harness.about().current()->isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
