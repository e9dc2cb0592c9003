#pragma once

#include <QLabel>

namespace about {

// A label that acts as a link: a left click on it emits clicked(). It takes
// no keyboard focus, as labels do, but screen readers announce it as a link
// and can press it.
class LinkLabel final : public QLabel {
    Q_OBJECT

public:
    explicit LinkLabel(QWidget* parent = nullptr);

    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace about
