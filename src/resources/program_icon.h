#pragma once

#include <QIcon>
#include <QPixmap>

namespace resources {

// The program's picture: 32 x 32 pixels in 256 colours.
QPixmap programPixmap();
// The picture for a screen of this density: the one above at 1, drawn from
// the scalable icon at the density's size elsewhere.
QPixmap programPixmap(qreal devicePixelRatio);
// The picture and its renderings at the desktop's other sizes.
QIcon programIcon();

} // namespace resources
