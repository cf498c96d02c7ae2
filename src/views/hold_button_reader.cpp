#include "views/hold_button_reader.h"

#include <QMouseEvent>
#include <QTouchEvent>

HoldButtonReader::HoldButtonReader(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void HoldButtonReader::setReleaseToken(int token)
{
    if (token == lastReleaseToken_)
        return;
    lastReleaseToken_ = token;
    release();
}

void HoldButtonReader::press()
{
    if (held_)
        return;
    held_ = true;
    emit down();
}

void HoldButtonReader::release()
{
    touchId_.reset();
    if (!held_)
        return;
    held_ = false;
    emit up();
}

bool HoldButtonReader::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return handleTouch(static_cast<QTouchEvent*>(event));
    case QEvent::TouchCancel:
        release();
        event->accept();
        return true;
    case QEvent::WindowDeactivate:
        release();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool HoldButtonReader::handleTouch(QTouchEvent* event)
{
    event->accept();
    if (event->type() == QEvent::TouchBegin) {
        if (held_ || event->points().isEmpty())
            return true;
        touchId_ = event->points().first().id();
        press();
        return true;
    }
    if (!touchId_)
        return true;
    for (const QEventPoint& point : event->points()) {
        if (point.id() != *touchId_)
            continue;
        const bool movedOut = point.state() == QEventPoint::Updated && !rect().contains(point.position().toPoint());
        if (point.state() == QEventPoint::Released || movedOut)
            release();
        return true;
    }
    if (event->type() == QEvent::TouchEnd)
        release();
    return true;
}

void HoldButtonReader::mousePressEvent(QMouseEvent* event)
{
    // A touch we took is not handled a second time as the mouse Qt makes of it.
    if (event->button() != Qt::LeftButton || event->source() != Qt::MouseEventNotSynthesized)
        return;
    press();
}

void HoldButtonReader::mouseMoveEvent(QMouseEvent* event)
{
    if (held_ && !touchId_ && !rect().contains(event->position().toPoint()))
        release();
}

void HoldButtonReader::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !touchId_)
        release();
}

void HoldButtonReader::hideEvent(QHideEvent* event)
{
    release();
    QWidget::hideEvent(event);
}
