#include "resources/program_icon.h"

#include "resources/program_icon.xpm"

namespace resources {

QPixmap programPixmap()
{
    // An XPM lists its palette, so the picture never holds more than the
    // 256 colours of an 8-bit icon.
    return QPixmap(program_icon_xpm);
}

QIcon programIcon()
{
    QIcon icon(programPixmap());
    for (const int size : {16, 22, 24, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/pennant-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap programPixmap(qreal devicePixelRatio)
{
    return programIcon().pixmap(programPixmap().size(), devicePixelRatio);
}

} // namespace resources
