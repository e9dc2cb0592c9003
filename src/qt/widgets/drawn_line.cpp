#include "qt/widgets/drawn_line.h"

#include <QPalette>

namespace about {

DrawnLine::DrawnLine(QWidget* parent, int x1, int x2, int y, int thickness, const QColor& colour) : QWidget(parent)
{
    setGeometry(x1, y, x2 - x1, thickness);
    QPalette linePalette = palette();
    linePalette.setColor(QPalette::Window, colour);
    setPalette(linePalette);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QColor DrawnLine::colour() const
{
    return palette().color(QPalette::Window);
}

} // namespace about
