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

// "MS Sans Serif" 8.25 point, or the closest metric-compatible face that is
// installed (Wine's free clone of it, else Liberation Sans).
QFont dialogFont();

} // namespace platform
