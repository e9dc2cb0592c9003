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
    return QIcon(programPixmap());
}

} // namespace resources
