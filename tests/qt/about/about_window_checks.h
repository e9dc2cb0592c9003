#pragma once

#include "qt/about/frmabout.h"

#include <QStringList>
#include <QTest>

// Shows a window and waits until it is the active one, so that keys reach
// its focus widget and its shortcuts.
inline void showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Everything a person can see of the About window: its caption, place and
// size, and each control's text, place, visibility and focus.
inline QStringList visibleState(const frmAbout& window)
{
    auto rectText = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QStringList state{window.windowTitle(), rectText(window.geometry()), QString::number(window.isVisible())};
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        const QVariant text = child->property("text");
        state << child->objectName() + QLatin1Char('|') + text.toString() + QLatin1Char('|') +
                     rectText(child->geometry()) + QLatin1Char('|') + QString::number(child->isVisible()) +
                     QLatin1Char('|') + QString::number(child->hasFocus());
    }
    return state;
}
