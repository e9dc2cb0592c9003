#include "qt/widgets/link_label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>

namespace about {

namespace {

// What a screen reader sees of a LinkLabel: a link with the label's
// accessible name, which its "press" action follows.
class AccessibleLinkLabel final : public QAccessibleWidget {
public:
    explicit AccessibleLinkLabel(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override
    {
        const QString own = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && own.isEmpty())
            return static_cast<const LinkLabel*>(widget())->text();
        return own;
    }

    QAccessible::State state() const override
    {
        QAccessible::State linkState = QAccessibleWidget::state();
        linkState.linked = true;
        return linkState;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            static_cast<LinkLabel*>(widget())->click();
    }
};

QAccessibleInterface* linkLabelAccessible(const QString&, QObject* object)
{
    auto* label = qobject_cast<LinkLabel*>(object);
    return label != nullptr ? new AccessibleLinkLabel(label) : nullptr;
}

void installAccessibleFactoryOnce()
{
    static const bool installed = [] {
        QAccessible::installFactory(linkLabelAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent)
{
    installAccessibleFactoryOnce();
}

// A click is a press and a release of the left button, both on the label.
void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->setAccepted(pressed_);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = pressed_;
    pressed_ = false;
    event->setAccepted(wasPressed);
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace about
