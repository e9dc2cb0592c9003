#include "platform/desktop/window_metrics.h"

#include <QFontDatabase>
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

QString dialogFontFamily()
{
    static const QString family = [] {
        const QString wanted = QStringLiteral("MS Sans Serif");
        if (QFontDatabase::hasFamily(wanted))
            return wanted;
        // Debian's fonts-wine ships a free clone with the same metrics, but
        // outside fontconfig's folders.
        const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf"));
        if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty())
            return QFontDatabase::applicationFontFamilies(id).constFirst();
        return QStringLiteral("Liberation Sans");
    }();
    return family;
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
    QFont font(dialogFontFamily());
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace platform
