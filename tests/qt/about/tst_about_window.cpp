#include "qt/about/about_window.h"
#include "qt/about/frmabout.h"
#include "about_services.h"
#include "about_window_checks.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

enum class CloseBy { OkClick, Escape, EnterOnOk, KeypadEnterOnOk, EnterOnIcon, CloseBox };

int visibleAboutWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmAbout*>(widget) != nullptr && widget->isVisible())
            ++count;
    return count;
}

void closeBy(frmAbout& window, CloseBy how)
{
    switch (how) {
    case CloseBy::OkClick:
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        return;
    case CloseBy::Escape:
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        return;
    case CloseBy::EnterOnOk:
        QTest::keyClick(window.cmdOK, Qt::Key_Return);
        return;
    case CloseBy::KeypadEnterOnOk:
        QTest::keyClick(window.cmdOK, Qt::Key_Enter, Qt::KeypadModifier);
        return;
    case CloseBy::EnterOnIcon:
        window.picIcon->setFocus();
        QTest::keyClick(window.picIcon, Qt::Key_Return);
        return;
    case CloseBy::CloseBox:
        window.close();
        return;
    }
}

// Notes that the program was asked to quit.
struct QuitWatch : QObject {
    bool requested = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        requested = requested || event->type() == QEvent::Quit;
        return false;
    }
};

// A top-level window standing in for the main window.
struct MainStandIn : QWidget {
    MainStandIn() { setWindowTitle(QStringLiteral("main")); }
};

} // namespace

Q_DECLARE_METATYPE(CloseBy)

class TestAboutWindow : public QObject {
    Q_OBJECT

private slots:
    void openingTwiceKeepsOneWindow();
    void openingAgainBringsItToTheFront();
    void modelessWithoutOwner();
    void closingUnloads_data();
    void closingUnloads();
    void launcherUnloadsOpenWindowWhenDestroyed();
    void programEndsWithItsLastWindow_data();
    void programEndsWithItsLastWindow();
};

void TestAboutWindow::openingTwiceKeepsOneWindow()
{
    AboutServices s;
    about::AboutWindow about(s.general, {});
    QCOMPARE(about.current(), nullptr);
    about.show();
    frmAbout* first = about.current();
    QVERIFY(first != nullptr);
    QVERIFY(first->isVisible());
    first->lblVersion->setText(QStringLiteral("not loaded again"));

    about.show();

    QCOMPARE(about.current(), first);
    QCOMPARE(visibleAboutWindows(), 1);
    QCOMPARE(first->lblVersion->text(), QStringLiteral("not loaded again"));
}

void TestAboutWindow::openingAgainBringsItToTheFront()
{
    AboutServices s;
    about::AboutWindow about(s.general, {});
    MainStandIn main;
    showActive(main);
    about.show();
    QTRY_COMPARE(QApplication::activeWindow(), about.current());

    showActive(main);
    about.show();
    QTRY_COMPARE(QApplication::activeWindow(), about.current());
}

void TestAboutWindow::modelessWithoutOwner()
{
    AboutServices s;
    about::AboutWindow about(s.general, {});
    MainStandIn main;
    showActive(main);
    about.show();
    frmAbout* window = about.current();
    QCOMPARE(window->parentWidget(), nullptr);
    QVERIFY(window->windowHandle() != nullptr);
    QCOMPARE(window->windowHandle()->transientParent(), nullptr);
    QVERIFY(!window->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    // The main window still takes input.
    QVERIFY(main.isEnabled());
    showActive(main);
    QVERIFY(window->isVisible());
}

void TestAboutWindow::closingUnloads_data()
{
    QTest::addColumn<CloseBy>("how");
    QTest::newRow("OK clicked") << CloseBy::OkClick;
    QTest::newRow("Esc") << CloseBy::Escape;
    QTest::newRow("Enter while OK has the focus") << CloseBy::EnterOnOk;
    QTest::newRow("keypad Enter while OK has the focus") << CloseBy::KeypadEnterOnOk;
    QTest::newRow("Enter while no other button has the focus") << CloseBy::EnterOnIcon;
    QTest::newRow("the frame's close command") << CloseBy::CloseBox;
}

void TestAboutWindow::closingUnloads()
{
    QFETCH(CloseBy, how);
    AboutServices s;
    about::AboutWindow about(s.general, {2, 15});
    about.show();
    QPointer<frmAbout> first = about.current();
    showActive(*first);
    QCOMPARE(QApplication::focusWidget(), first->cmdOK);
    first->lblVersion->setText(QStringLiteral("stale"));

    closeBy(*first, how);

    QVERIFY(first.isNull() || !first->isVisible());
    QCOMPARE(about.current(), nullptr);
    // Opening again at once loads a new window, running Form_Load again.
    about.show();
    frmAbout* second = about.current();
    QVERIFY(second != nullptr);
    QVERIFY(second != first);
    QCOMPARE(second->lblVersion->text(), QStringLiteral("Version 2.15"));
    QTRY_VERIFY(first.isNull());
    QCOMPARE(about.current(), second);
    QCOMPARE(visibleAboutWindows(), 1);
    QVERIFY(s.messages.shown().empty());
}

void TestAboutWindow::launcherUnloadsOpenWindowWhenDestroyed()
{
    AboutServices s;
    QPointer<frmAbout> window;
    {
        about::AboutWindow about(s.general, {});
        about.show();
        window = about.current();
        QVERIFY(!window.isNull());
    }
    QVERIFY(window.isNull());
}

void TestAboutWindow::programEndsWithItsLastWindow_data()
{
    QTest::addColumn<bool>("mainClosedFirst");
    QTest::newRow("main window closed first, then the About window") << true;
    QTest::newRow("About window closed first, then the main window") << false;
}

// The program quits on its own when its last window closes: an open About
// window keeps it running after the main window has gone.
void TestAboutWindow::programEndsWithItsLastWindow()
{
    QFETCH(bool, mainClosedFirst);
    QVERIFY(QApplication::quitOnLastWindowClosed());
    AboutServices s;
    about::AboutWindow about(s.general, {});
    MainStandIn main;
    main.show();
    about.show();
    QWidget* first = mainClosedFirst ? static_cast<QWidget*>(&main) : about.current();
    QWidget* last = mainClosedFirst ? static_cast<QWidget*>(about.current()) : &main;
    QuitWatch quit;
    qApp->installEventFilter(&quit);

    // Each step is queued behind the previous one, and so behind any quit
    // that a close has asked for. Steps left over when the loop has ended
    // run below, while everything they use still exists, and do nothing.
    bool loopEnded = false;
    bool quitAfterFirstClose = true;
    bool quitAfterLastClose = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            first->close();
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    if (loopEnded)
                        return;
                    quitAfterFirstClose = quit.requested;
                    last->close();
                    QMetaObject::invokeMethod(
                        qApp,
                        [&] {
                            if (loopEnded)
                                return;
                            quitAfterLastClose = quit.requested;
                            if (!quit.requested)
                                QCoreApplication::exit(1);
                        },
                        Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);

    const int exitCode = QApplication::exec();
    loopEnded = true;
    QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
    qApp->removeEventFilter(&quit);

    QVERIFY(!quitAfterFirstClose);
    QVERIFY(quitAfterLastClose);
    QCOMPARE(exitCode, 0);
}

QTEST_MAIN(TestAboutWindow)
#include "tst_about_window.moc"
