#pragma once

#include <QIcon>
#include <QPixmap>

namespace resources {

// The program's one picture: 32 x 32 pixels in 256 colours.
QPixmap programPixmap();
QIcon programIcon();

} // namespace resources
