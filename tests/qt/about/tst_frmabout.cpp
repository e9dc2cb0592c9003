#include "qt/widgets/drawn_line.h"
#include "qt/about/frmabout.h"
#include "qt/widgets/link_label.h"
#include "about_services.h"
#include "about_window_checks.h"
#include "qt/desktop/window_metrics.h"
#include "resources/program_icon.h"
#include "core/services/maker.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <set>

using platform::twipsRect;
using platform::twipsToPixels;

namespace {

const QString kDescription = QStringLiteral(
    "Use Pennant to edit, create, and delete custom buttons on the Toolbar of Internet Explorer 5.0+.  If you are "
    "using Windows 200X/XP you must be a local administrator to use this program.");
const QString kDisclaimer = QStringLiteral(
    "This product is provided as is and by using this product you agree to hold no one responsible for anything.  "
    "Basically, if the program screws up, its not our fault and we are not to be held liable.");

QImage argb(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

QStringList focusNames(const QList<QWidget*>& widgets)
{
    QStringList names;
    for (const QWidget* widget : widgets)
        names << (widget != nullptr ? widget->objectName() : QStringLiteral("(none)"));
    return names;
}

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT

private slots:
    void formLoadSetsVersionLine_data();
    void formLoadSetsVersionLine();
    void windowSettings();
    void controlsInPlace_data();
    void controlsInPlace();
    void iconSizesItselfToThePicture();
    void linesFormEtchedSeparator();
    void labelLooks_data();
    void labelLooks();
    void tabOrderStartsOnOk();
    void labelsAndLinesTakeNoFocus();
    void everyControlHasAccessibleName();
    void linksAnnouncedAsLinks_data();
    void linksAnnouncedAsLinks();
    void linksOpenAndLeaveWindowUnchanged_data();
    void linksOpenAndLeaveWindowUnchanged();
    void systemInfoPressed_data();
    void systemInfoPressed();
    void programIcon();
    void programIconAtDesktopSizes_data();
    void programIconAtDesktopSizes();
};

void TestFrmAbout::formLoadSetsVersionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1.0") << 1 << 0 << QStringLiteral("Version 1.0");
    QTest::newRow("2.15") << 2 << 15 << QStringLiteral("Version 2.15");
    QTest::newRow("10.3") << 10 << 3 << QStringLiteral("Version 10.3");
}

void TestFrmAbout::formLoadSetsVersionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, expected);
    AboutServices s;
    frmAbout window(s.general, {major, minor});
    QCOMPARE(window.lblVersion->text(), expected);
}

void TestFrmAbout::windowSettings()
{
    AboutServices s;
    frmAbout window(s.general, {});
    // The program's own numbers, 1.0.0.0 in this release.
    QCOMPARE(window.lblVersion->text(), QStringLiteral("Version 1.0"));
    QCOMPARE(window.windowTitle(), QStringLiteral("About Larkspur's Pennant"));

    const QSize client(twipsToPixels(5730), twipsToPixels(3345));
    QCOMPARE(window.minimumSize(), client);
    QCOMPARE(window.maximumSize(), client);

    // A tool window: not in the task bar; close box only.
    QCOMPARE(window.windowType(), Qt::Tool);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    // Modeless, without owner, unloaded when closed, keeping the program
    // running while it is open.
    QCOMPARE(window.parentWidget(), nullptr);
    QVERIFY(!window.isModal());
    QVERIFY(window.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(window.testAttribute(Qt::WA_QuitOnClose));

    QCOMPARE(window.font().family(), platform::dialogFont().family());
    QCOMPARE(window.font().pointSizeF(), 8.25);

    showActive(window);
    const QPoint screenOrigin = QGuiApplication::primaryScreen()->geometry().topLeft();
    QCOMPARE(window.geometry(), QRect(screenOrigin + platform::twipsPoint(2340, 1935), client));
    QCOMPARE(window.size(), client);
}

void TestFrmAbout::controlsInPlace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::newRow("cmdOK") << "cmdOK" << QRect(4245, 2400, 1260, 345) << "OK";
    QTest::newRow("cmdSysInfo") << "cmdSysInfo" << QRect(4260, 2850, 1245, 345) << "&System Info...";
    QTest::newRow("lblEmail") << "lblEmail" << QRect(1050, 825, 2100, 225) << "Pennant@Larkspur.example";
    QTest::newRow("lblweb") << "lblweb" << QRect(1035, 525, 2505, 240) << "https://www.larkspur.example/";
    QTest::newRow("lblDescription") << "lblDescription" << QRect(1050, 1485, 4590, 720) << kDescription;
    QTest::newRow("lblTitle") << "lblTitle" << QRect(1035, 240, 4410, 285)
                              << QStringLiteral("Larkspur's Pennant \u00A9 Larkspur");
    QTest::newRow("lblVersion") << "lblVersion" << QRect(1050, 1140, 3885, 225) << "Version 1.0";
    QTest::newRow("lblDisclaimer") << "lblDisclaimer" << QRect(255, 2400, 3870, 825) << kDisclaimer;
}

void TestFrmAbout::controlsInPlace()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    AboutServices s;
    frmAbout window(s.general, {});
    const QWidget* control = window.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QVERIFY(window.rect().contains(control->geometry()));
    QCOMPARE(control->property("text").toString(), text);
}

void TestFrmAbout::iconSizesItselfToThePicture()
{
    AboutServices s;
    frmAbout window(s.general, {});
    const int border = window.picIcon->frameWidth();
    QCOMPARE(window.picIcon->pos(), platform::twipsPoint(240, 240));
    QCOMPARE(window.picIcon->size(), QSize(32 + 2 * border, 32 + 2 * border));
}

void TestFrmAbout::linesFormEtchedSeparator()
{
    AboutServices s;
    frmAbout window(s.general, {});
    const about::DrawnLine* grey = window.Line1[1];
    const about::DrawnLine* white = window.Line1[0];
    QCOMPARE(grey->geometry(),
             QRect(twipsToPixels(90), twipsToPixels(2220), twipsToPixels(5654) - twipsToPixels(90), 1));
    QCOMPARE(white->geometry(),
             QRect(twipsToPixels(105), twipsToPixels(2235), twipsToPixels(5654) - twipsToPixels(105), 2));
    QCOMPARE(grey->colour(), QColor(128, 128, 128));
    QCOMPARE(white->colour(), QColor(255, 255, 255));
    QVERIFY(grey->autoFillBackground() && white->autoFillBackground());
    // The white line lies just below the grey one.
    QCOMPARE(white->y(), grey->y() + 1);
}

void TestFrmAbout::labelLooks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("underlined");
    QTest::addColumn<QColor>("colour"); // invalid: the window's own text colour
    QTest::newRow("lblEmail") << "lblEmail" << true << QColor(0, 0, 255);
    QTest::newRow("lblweb") << "lblweb" << true << QColor(0, 0, 255);
    QTest::newRow("lblDescription") << "lblDescription" << false << QColor(0, 0, 0);
    QTest::newRow("lblTitle") << "lblTitle" << false << QColor(0, 0, 0);
    QTest::newRow("lblVersion") << "lblVersion" << false << QColor();
    QTest::newRow("lblDisclaimer") << "lblDisclaimer" << false << QColor(0, 0, 0);
}

void TestFrmAbout::labelLooks()
{
    QFETCH(QString, name);
    QFETCH(bool, underlined);
    QFETCH(QColor, colour);
    AboutServices s;
    frmAbout window(s.general, {});
    const QLabel* label = window.findChild<QLabel*>(name);
    QVERIFY(label != nullptr);

    QCOMPARE(label->font().family(), platform::dialogFont().family());
    QCOMPARE(label->font().pointSizeF(), 8.25);
    QCOMPARE(label->font().weight(), QFont::Normal);
    QCOMPARE(label->font().underline(), underlined);
    const QColor expected = colour.isValid() ? colour : window.palette().color(QPalette::WindowText);
    QCOMPARE(label->palette().color(QPalette::WindowText), expected);

    // Opaque on the window's face colour, left-aligned, wrapping, and the
    // whole text fits the label's fixed box.
    QVERIFY(label->autoFillBackground());
    QCOMPARE(label->palette().color(QPalette::Window), window.palette().color(QPalette::Window));
    QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QVERIFY(label->wordWrap());
    QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->text()));
    QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmAbout::tabOrderStartsOnOk()
{
    AboutServices s;
    frmAbout window(s.general, {});
    showActive(window);
    QList<QWidget*> visited{QApplication::focusWidget()};
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QCOMPARE(focusNames(visited), QStringList({"cmdOK", "picIcon", "cmdSysInfo", "cmdOK"}));
}

void TestFrmAbout::labelsAndLinesTakeNoFocus()
{
    AboutServices s;
    frmAbout window(s.general, {});
    const QList<QWidget*> noFocus{window.lblEmail,   window.lblweb,        window.lblDescription, window.lblTitle,
                                  window.lblVersion, window.lblDisclaimer, window.Line1[0],       window.Line1[1]};
    for (const QWidget* control : noFocus)
        QVERIFY2(control->focusPolicy() == Qt::NoFocus, qPrintable(control->objectName()));
}

void TestFrmAbout::everyControlHasAccessibleName()
{
    AboutServices s;
    frmAbout window(s.general, {});
    const QList<QWidget*> controls = window.findChildren<QWidget*>();
    QCOMPARE(controls.size(), 11);
    for (QWidget* control : controls) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible != nullptr);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(window.cmdSysInfo)->text(QAccessible::Name),
             QStringLiteral("System Info"));
}

void TestFrmAbout::linksAnnouncedAsLinks_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("lblweb") << "lblweb";
    QTest::newRow("lblEmail") << "lblEmail";
}

void TestFrmAbout::linksAnnouncedAsLinks()
{
    QFETCH(QString, name);
    AboutServices s;
    frmAbout window(s.general, {});
    auto* link = window.findChild<about::LinkLabel*>(name);
    QVERIFY(link != nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(link);
    QCOMPARE(accessible->role(), QAccessible::Link);
    QVERIFY(accessible->state().linked);
    QCOMPARE(accessible->text(QAccessible::Name), link->text());
    QVERIFY(accessible->text(QAccessible::Description).startsWith(QStringLiteral("Link: ")));
    QVERIFY(accessible->actionInterface() != nullptr);
    QCOMPARE(accessible->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    // A screen reader walking the window's children finds the link.
    QVERIFY(QAccessible::queryAccessibleInterface(&window)->indexOfChild(accessible) >= 0);
}

void TestFrmAbout::linksOpenAndLeaveWindowUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("byScreenReader");
    QTest::addColumn<QString>("opened");
    const QString web = QString::fromUtf8(services::maker::kWebPageLink);
    const QString mail = QString::fromUtf8(services::maker::kMailLink);
    QTest::newRow("web link clicked") << "lblweb" << false << web;
    QTest::newRow("web link pressed by a screen reader") << "lblweb" << true << web;
    QTest::newRow("e-mail link clicked") << "lblEmail" << false << mail;
    QTest::newRow("e-mail link pressed by a screen reader") << "lblEmail" << true << mail;
}

void TestFrmAbout::linksOpenAndLeaveWindowUnchanged()
{
    QFETCH(QString, name);
    QFETCH(bool, byScreenReader);
    QFETCH(QString, opened);
    AboutServices s;
    frmAbout window(s.general, {});
    showActive(window);
    auto* link = window.findChild<about::LinkLabel*>(name);
    const QStringList before = visibleState(window);

    if (byScreenReader)
        QAccessible::queryAccessibleInterface(link)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    else
        QTest::mouseClick(link, Qt::LeftButton);

    QCOMPARE(s.shell.links(), std::vector<std::string>{opened.toStdString()});
    QVERIFY(window.isVisible());
    QCOMPARE(visibleState(window), before);
    QVERIFY(s.messages.shown().empty());
}

void TestFrmAbout::systemInfoPressed_data()
{
    QTest::addColumn<QString>("focusOn");
    QTest::addColumn<int>("key"); // 0: a mouse click on the button
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Enter while System Info has the focus")
        << "cmdSysInfo" << int(Qt::Key_Return) << Qt::KeyboardModifiers();
    QTest::newRow("keypad Enter while System Info has the focus")
        << "cmdSysInfo" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier);
    QTest::newRow("Alt+S") << "cmdOK" << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("click") << "cmdOK" << 0 << Qt::KeyboardModifiers();
}

void TestFrmAbout::systemInfoPressed()
{
    QFETCH(QString, focusOn);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    AboutServices s; // a blank hive: no tool to be found
    frmAbout window(s.general, {});
    showActive(window);
    window.findChild<QWidget*>(focusOn)->setFocus();
    QCOMPARE(QApplication::focusWidget()->objectName(), focusOn);

    if (key == 0)
        QTest::mouseClick(window.cmdSysInfo, Qt::LeftButton);
    else
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);

    // An access key presses its button with a short visible delay.
    QTRY_COMPARE(s.messages.shownTexts(), std::vector<std::string>{kUnavailable});
    QVERIFY(window.isVisible());
    QVERIFY(s.shell.startedPrograms().empty());
}

void TestFrmAbout::programIcon()
{
    const QPixmap picture = resources::programPixmap();
    QCOMPARE(picture.size(), QSize(32, 32));
    // At most 256 colours, some of them see-through, and a real picture.
    const QImage image = argb(picture);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() <= 256);
    QVERIFY(colours.size() > 4);
    QVERIFY(picture.hasAlphaChannel());

    AboutServices s;
    frmAbout window(s.general, {});
    QCOMPARE(argb(window.picIcon->pixmap()), image);
    QCOMPARE(argb(window.windowIcon().pixmap(QSize(32, 32))), image);
    QCOMPARE(argb(resources::programIcon().pixmap(QSize(32, 32))), image);
}

void TestFrmAbout::programIconAtDesktopSizes_data()
{
    QTest::addColumn<int>("size");
    for (const int size : {16, 22, 24, 48, 64, 128, 256})
        QTest::addRow("%d", size) << size;
}

void TestFrmAbout::programIconAtDesktopSizes()
{
    QFETCH(int, size);
    const QIcon icon = resources::programIcon();
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    const QImage drawn = argb(icon.pixmap(QSize(size, size)));
    QCOMPARE(drawn.size(), QSize(size, size));
    // Drawn at that size, not the 32 x 32 bitmap stretched to it.
    QVERIFY(drawn != argb(resources::programPixmap()).scaled(size, size));
    // Twice as dense a screen gets twice the pixels in the same room.
    if (size == 64) {
        const QPixmap dense = resources::programPixmap(2.0);
        QCOMPARE(dense.deviceIndependentSize(), QSizeF(32, 32));
        QImage densePixels = argb(dense);
        densePixels.setDevicePixelRatio(1.0);
        QCOMPARE(densePixels, drawn);
    }
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
