#pragma once

#include <QColor>
#include <QWidget>

namespace about {

// A horizontal line drawn on a window: solid, of one colour and a whole
// number of pixels thick. It takes no focus and no input.
class DrawnLine final : public QWidget {
    Q_OBJECT

public:
    // From x1 up to x2 (excluded) at height y, in pixels of the parent.
    DrawnLine(QWidget* parent, int x1, int x2, int y, int thickness, const QColor& colour);

    QColor colour() const;
};

} // namespace about
