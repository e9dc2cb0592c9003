#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>

// Window layouts are designed in twips (1/1440 inch; 15 to a pixel at 96
// dpi) and in the classic 8.25-point dialog font; these helpers turn them
// into what this screen and this machine have.
namespace platform {

int twipsToPixels(int twips);
QPoint twipsPoint(int x, int y);
QRect twipsRect(int left, int top, int width, int height);

// "MS Sans Serif" 8.25 point. Its bitmap clone from Wine is used where one of
// its strikes has exactly the size this screen needs (96 dpi, no scaling);
// elsewhere a scalable face with close metrics (Tahoma's clone, else
// Liberation Sans) keeps the text sharp and in proportion.
QFont dialogFont();

} // namespace platform
