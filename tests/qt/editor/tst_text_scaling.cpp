// Text in both windows stays in proportion on dense screens: the bitmap face
// is drawn only at its own strike, a scalable face everywhere else. Each
// scale needs its own application, so the windows are built and measured in
// a child process of this test started with that scale.
#include "editor_harness.h"
#include "qt/about/frmabout.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <cstdio>

namespace {

const char kProbeVariable[] = "PENNANT_MEASURE_TEXT";

// The rows of a label's picture, in device pixels, that hold any of its
// text's ink, from the first to the last.
int inkHeight(QLabel& label)
{
    const QImage image = label.grab().toImage();
    const QColor background = label.palette().color(label.backgroundRole());
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int difference = std::abs(qGray(pixel.rgb()) - qGray(background.rgb()));
            if (difference > 96) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// The editor's labels (they do not wrap) whose caption is wider than they are.
QStringList clippedLabels(frmMain& window)
{
    QStringList clipped;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
            clipped << label->objectName();
    }
    return clipped;
}

// The child's side: both real windows at this process's scale, one line
// each with the face used, the ink height of a label in each window, and
// the editor's clipped labels.
int measureWindows()
{
    EditorHarness harness;
    frmMain& window = harness.open();
    harness.about().show();
    frmAbout& about = *harness.about().current();
    std::printf("%s\n%d\n%d\n%s\n", qPrintable(window.lblExec->fontInfo().family()), inkHeight(*window.lblExec),
                inkHeight(*about.lblVersion), qPrintable(clippedLabels(window).join(QLatin1Char(' '))));
    return 0;
}

struct Measure {
    QString family;
    int editorInk = 0;
    int aboutInk = 0;
    QString clipped;
};

Measure measureAt(const QString& variable, const QString& value)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kProbeVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    environment.remove(QStringLiteral("QT_FONT_DPI"));
    environment.insert(variable, value);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return {};
    const QStringList lines = QString::fromLocal8Bit(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    if (lines.size() < 4)
        return {};
    return {lines[0], lines[1].toInt(), lines[2].toInt(), lines[3]};
}

} // namespace

class TextScalingTest : public QObject {
    Q_OBJECT

private slots:
    void bitmapFaceOnlyAtItsOwnStrike();
    void scalableFaceKeepsProportion_data();
    void scalableFaceKeepsProportion();
};

void TextScalingTest::bitmapFaceOnlyAtItsOwnStrike()
{
    const Measure plain = measureAt(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1"));
    QCOMPARE(plain.family, QStringLiteral("MS Sans Serif"));
    QCOMPARE(plain.clipped, QString());
    // A capital and an ascender of the 13-pixel strike.
    QVERIFY2(plain.editorInk >= 8 && plain.editorInk <= 11, qPrintable(QString::number(plain.editorInk)));
    QVERIFY2(plain.aboutInk >= 8 && plain.aboutInk <= 11, qPrintable(QString::number(plain.aboutInk)));
}

void TextScalingTest::scalableFaceKeepsProportion_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("scale");
    QTest::newRow("200%") << "QT_SCALE_FACTOR" << "2" << 2.0;
    QTest::newRow("150%") << "QT_SCALE_FACTOR" << "1.5" << 1.5;
    QTest::newRow("125%") << "QT_SCALE_FACTOR" << "1.25" << 1.25;
    QTest::newRow("144 dpi") << "QT_FONT_DPI" << "144" << 1.5;
}

void TextScalingTest::scalableFaceKeepsProportion()
{
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(double, scale);
    const Measure plain = measureAt(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1"));
    const Measure scaled = measureAt(variable, value);
    QVERIFY(!scaled.family.isEmpty());
    QVERIFY2(scaled.family != plain.family, qPrintable(scaled.family));
    QCOMPARE(scaled.clipped, QString());
    QVERIFY2(std::abs(scaled.editorInk - plain.editorInk * scale) <= 2.0,
             qPrintable(QStringLiteral("%1 -> %2").arg(plain.editorInk).arg(scaled.editorInk)));
    QVERIFY2(std::abs(scaled.aboutInk - plain.aboutInk * scale) <= 2.0,
             qPrintable(QStringLiteral("%1 -> %2").arg(plain.aboutInk).arg(scaled.aboutInk)));
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kProbeVariable))
        return measureWindows();
    TextScalingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_text_scaling.moc"
