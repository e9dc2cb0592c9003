#include "qt/desktop/window_metrics.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform {

namespace {

constexpr double kTwipsPerInch = 1440.0;

// Qt works in device-independent pixels and scales them for high-density
// screens itself, so the logical dpi is the one that counts here.
double logicalDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

// The family of a face: installed on the system, or else loaded from the
// file that Debian's fonts-wine keeps outside fontconfig's folders.
QString familyFrom(const QString& installed, const QString& wineFile)
{
    if (QFontDatabase::hasFamily(installed))
        return installed;
    const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/") + wineFile);
    if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty())
        return QFontDatabase::applicationFontFamilies(id).constFirst();
    return {};
}

// The classic face is drawn from bitmaps (Wine's clone has strikes only); its
// 13-pixel strike is the 8.25-point font at 96 dpi. A bitmap face cannot be
// scaled, so it is used only when this screen needs a strike it has, exactly.
bool bitmapStrikeFits(const QString& family)
{
    constexpr double kClassicStrikePixels = 13.0;
    constexpr double kClassicDpi = 96.0;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    const double wanted = kClassicStrikePixels * logicalDpi() / kClassicDpi * scale;
    const int pixels = static_cast<int>(std::lround(wanted));
    if (family.isEmpty() || std::abs(wanted - pixels) > 1e-6)
        return false;
    QFont probe(family);
    probe.setPixelSize(pixels);
    const QFontInfo drawn(probe);
    return drawn.family() == family && drawn.pixelSize() == pixels;
}

struct DialogFace {
    QString family;
    int stretch = QFont::Unstretched;
};

const DialogFace& dialogFace()
{
    static const DialogFace face = []() -> DialogFace {
        const QString classic = familyFrom(QStringLiteral("MS Sans Serif"), QStringLiteral("ms_sans_serif.ttf"));
        if (bitmapStrikeFits(classic))
            return {classic};
        // Otherwise the scalable face closest to its metrics, narrowed a
        // little so that captions laid out for the classic face still fit
        // their fixed widths (both run up to 4% wider).
        constexpr int kNarrowed = 95;
        const QString scalable = familyFrom(QStringLiteral("Tahoma"), QStringLiteral("tahoma.ttf"));
        return {scalable.isEmpty() ? QStringLiteral("Liberation Sans") : scalable, kNarrowed};
    }();
    return face;
}

} // namespace

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips * logicalDpi() / kTwipsPerInch));
}

QPoint twipsPoint(int x, int y)
{
    return {twipsToPixels(x), twipsToPixels(y)};
}

QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

QFont dialogFont()
{
    QFont font(dialogFace().family);
    font.setStretch(dialogFace().stretch);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace platform
