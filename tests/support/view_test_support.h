#pragma once

#include "platform/tovrin_haptics.h"
#include "support/artifacts.h"

#include <QString>
#include <QStringList>
#include <QWidget>

// The recorded haptics as "prepare medium", "impact light 0.72" (the intensity
// only when it is not 1); generator creation is left out.
inline QStringList hapticTrace()
{
    static const char* names[] = {"light", "medium", "rigid", "soft"};
    QStringList trace;
    for (const HapticEvent& event : HapticLog::events()) {
        const QString style = QString::fromLatin1(names[int(event.style)]);
        if (event.kind == HapticEvent::Kind::Prepared)
            trace << QStringLiteral("prepare ") + style;
        else if (event.kind == HapticEvent::Kind::Impact)
            trace << QStringLiteral("impact ") + style
                     + (event.intensity == 1.0 ? QString() : QLatin1Char(' ') + QString::number(event.intensity));
    }
    return trace;
}

inline int hapticImpacts()
{
    return int(hapticTrace().filter(QStringLiteral("impact ")).size());
}

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

// No shown sibling stacked above `widget` (a later child of the same parent)
// overlaps it: nothing of the parent covers it.
inline bool stackedOnTop(const QWidget& widget)
{
    const QObjectList& stack = widget.parentWidget()->children();  // back to front
    const qsizetype at = stack.indexOf(const_cast<QWidget*>(&widget));
    for (qsizetype i = at + 1; i < stack.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(stack[i]);
        if (above && !above->isHidden() && above->geometry().intersects(widget.geometry()))
            return false;
    }
    return at >= 0;
}

// A held left-button move to `pos` in `widget`'s coordinates.
inline void dragMove(QWidget* widget, QPointF pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Presses at `start` and moves up in 5-point steps until `rise` points above
// it; the button stays down.
inline void pressAndSwipeUp(QWidget* widget, QPointF start, int rise)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, start.toPoint());
    for (int y = 5; y <= rise; y += 5)
        dragMove(widget, start - QPointF(0, y));
}
