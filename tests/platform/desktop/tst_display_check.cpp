// Whether the window can be shown at all, decided from the environment
// before Qt would abort for want of a display.
#include "platform/desktop/display_check.h"

#include <QTest>

class DisplayCheckTest : public QObject {
    Q_OBJECT

private slots:
    void missingDisplayIsFoundBeforeQt_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<bool>("missing");

        QTest::newRow("nothing set") << "" << "" << "" << true;
        QTest::newRow("X11 display") << "" << ":0" << "" << false;
        QTest::newRow("Wayland display") << "" << "" << "wayland-0" << false;
        QTest::newRow("X11 chosen, only Wayland there") << "xcb" << "" << "wayland-0" << true;
        QTest::newRow("Wayland chosen with options, none there") << "wayland:foo" << ":0" << "" << true;
        QTest::newRow("fallback to a display that is there") << "wayland;xcb" << ":0" << "" << false;
        QTest::newRow("offscreen needs none") << "offscreen" << "" << "" << false;
        QTest::newRow("VNC needs none") << "vnc:port=5901" << "" << "" << false;
    }
    void missingDisplayIsFoundBeforeQt()
    {
        QFETCH(QString, platform);
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(bool, missing);
        const auto found =
            platform::missingDisplay({platform.toStdString(), display.toStdString(), wayland.toStdString()});
        QCOMPARE(found.has_value(), missing);
        if (found) {
            QVERIFY(found->find("pennant --help") != std::string::npos);
            QVERIFY(found->find("scripts/start") != std::string::npos);
        }
    }
};

QTEST_GUILESS_MAIN(DisplayCheckTest)
#include "tst_display_check.moc"
