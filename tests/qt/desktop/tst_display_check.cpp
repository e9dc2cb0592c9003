// Whether the window can be shown at all, decided from the environment
// before Qt would abort for want of a display.
#include "qt/desktop/display_check.h"

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

        const auto row = [](const char* name, const char* platform, const char* display, const char* wayland,
                            bool missing) {
            QTest::newRow(name) << QString(platform) << QString(display) << QString(wayland) << missing;
        };
        row("nothing set", "", "", "", true);
        row("X11 display", "", ":0", "", false);
        row("Wayland display", "", "", "wayland-0", false);
        row("X11 chosen, only Wayland there", "xcb", "", "wayland-0", true);
        row("Wayland chosen with options, none there", "wayland:foo", ":0", "", true);
        row("fallback to a display that is there", "wayland;xcb", ":0", "", false);
        row("offscreen needs none", "offscreen", "", "", false);
        row("VNC needs none", "vnc:port=5901", "", "", false);
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
