// Both windows under a light and a dark desktop palette: their fixed text
// colours where those read well, the palette's own where they would not.
#include "editor_harness.h"
#include "qt/about/frmabout.h"
#include "qt/widgets/link_label.h"
#include "qt/widgets/readable_colour.h"

#include <QApplication>
#include <QLabel>
#include <QStyleFactory>
#include <QTest>

namespace {

const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);

QPalette darkPalette(const QColor& link)
{
    QPalette dark(QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Link, link);
    return dark;
}

QColor textColour(const QWidget& widget)
{
    return widget.palette().color(QPalette::WindowText);
}

// Every label of both windows, by window and name.
QList<QLabel*> allLabels(EditorHarness& harness)
{
    harness.about().show();
    return harness.window().findChildren<QLabel*>() + harness.about().current()->findChildren<QLabel*>();
}

} // namespace

class DarkPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void contrastRatio_data();
    void contrastRatio();
    void classicColoursOnLightPalette();
    void everyTextReadableOnDarkPalette_data();
    void everyTextReadableOnDarkPalette();

private:
    QPalette original_;
};

void DarkPaletteTest::init()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    original_ = QApplication::palette();
}

void DarkPaletteTest::cleanup()
{
    QApplication::setPalette(original_);
}

void DarkPaletteTest::contrastRatio_data()
{
    QTest::addColumn<QColor>("first");
    QTest::addColumn<QColor>("second");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << kBlack << QColor(Qt::white) << 21.0;
    QTest::newRow("white on black") << QColor(Qt::white) << kBlack << 21.0;
    QTest::newRow("the same grey") << QColor(128, 128, 128) << QColor(128, 128, 128) << 1.0;
    QTest::newRow("blue on white") << kBlue << QColor(Qt::white) << 8.59;
}

void DarkPaletteTest::contrastRatio()
{
    QFETCH(QColor, first);
    QFETCH(QColor, second);
    QFETCH(double, ratio);
    QVERIFY(std::abs(about::contrastRatio(first, second) - ratio) < 0.01);
}

void DarkPaletteTest::classicColoursOnLightPalette()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    harness.about().show();
    frmAbout& about = *harness.about().current();
    QCOMPARE(textColour(*window.lblweb), kBlue);
    QCOMPARE(textColour(*about.lblweb), kBlue);
    QCOMPARE(textColour(*about.lblEmail), kBlue);
    QCOMPARE(textColour(*about.lblTitle), kBlack);
    QCOMPARE(textColour(*about.lblDescription), kBlack);
    QCOMPARE(textColour(*about.lblDisclaimer), kBlack);
}

void DarkPaletteTest::everyTextReadableOnDarkPalette_data()
{
    QTest::addColumn<QColor>("paletteLink");
    QTest::addColumn<QColor>("linkShown");
    QTest::newRow("light link colour") << QColor(100, 170, 255) << QColor(100, 170, 255);
    QTest::newRow("link too dark to read") << QColor(42, 130, 218) << QColor(230, 230, 230);
    QTest::newRow("link left pure blue") << kBlue << QColor(230, 230, 230);
}

void DarkPaletteTest::everyTextReadableOnDarkPalette()
{
    QFETCH(QColor, paletteLink);
    QFETCH(QColor, linkShown);
    QApplication::setPalette(darkPalette(paletteLink));
    EditorHarness harness;
    frmMain& window = harness.open();
    for (const QLabel* label : allLabels(harness)) {
        const double contrast =
            about::contrastRatio(textColour(*label), label->palette().color(label->backgroundRole()));
        QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(label->objectName()).arg(contrast)));
    }
    QCOMPARE(textColour(*window.lblweb), linkShown);
    QCOMPARE(textColour(*harness.about().current()->lblEmail), linkShown);
}

QTEST_MAIN(DarkPaletteTest)
#include "tst_dark_palette.moc"
