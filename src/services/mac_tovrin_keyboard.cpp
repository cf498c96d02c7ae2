#include "services/mac_tovrin_keyboard.h"

#include "platform/diagnostics.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace MacTovrinKeyboardGate {
namespace {

bool isTextInput(const QWidget* widget)
{
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget)
        || qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    const QString className = QString::fromLatin1(widget->metaObject()->className());
    for (const char* marker : {"TextField", "TextEditor", "TextView", "FieldEditor", "UITextInput"}) {
        if (className.contains(QLatin1String(marker)))
            return true;
    }
    return false;
}

}  // namespace

bool isTextInputFocused()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* window : windows) {
        if (const QWidget* focused = window->focusWidget(); focused && isTextInput(focused))
            return true;
    }
    return false;
}

}  // namespace MacTovrinKeyboardGate

MacTovrinKeyboardModifier::MacTovrinKeyboardModifier(QWidget* content) : QObject(content), content_(content)
{
    // Seen at the application so that a focused child key (which would take
    // Space as a click) never gets the shortcut first.
    qApp->installEventFilter(this);
    content_->setFocusPolicy(Qt::StrongFocus);
    requestFocusSoon();
    repeatWait_.setSingleShot(true);
    repeatWait_.setTimerType(Qt::PreciseTimer);
    repeatWait_.setInterval(kRepeatWait);
    QObject::connect(&repeatWait_, &QTimer::timeout, this, &MacTovrinKeyboardModifier::letPendingReleaseThrough);
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            releasePTTIfNeeded("[TovrinKeys][mac] Enter PTT release (window inactive)");
    });
}

MacTovrinKeyboardModifier::~MacTovrinKeyboardModifier()
{
    qApp->removeEventFilter(this);
}

void MacTovrinKeyboardModifier::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!content_)
        return;
    if (enabled) {
        content_->setFocusPolicy(Qt::StrongFocus);
        requestFocusSoon();
    } else {
        releasePTTIfNeeded("[TovrinKeys][mac] Enter PTT release (shortcuts off)");
        content_->setFocusPolicy(Qt::NoFocus);
        content_->clearFocus();
    }
}

void MacTovrinKeyboardModifier::requestFocusSoon()
{
    // Taken on the next turn of the event loop, after the change that enabled us.
    QTimer::singleShot(0, this, [this] {
        if (enabled_ && content_ && !MacTovrinKeyboardGate::isTextInputFocused())
            content_->setFocus(Qt::OtherFocusReason);
    });
}

bool MacTovrinKeyboardModifier::concernsContent(QObject* receiver) const
{
    const auto* widget = qobject_cast<QWidget*>(receiver);
    return content_ && widget && widget->window() == content_->window();
}

bool MacTovrinKeyboardModifier::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        // Losing the window while Return is held must not leave the radio
        // transmitting, nor swallow the next press.
        if (content_ && watched == content_->window())
            releasePTTIfNeeded("[TovrinKeys][mac] Enter PTT release (window inactive)");
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        break;
    default:
        return false;
    }
    if (!concernsContent(watched))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // Auto-repeat arrives as release/press pairs; none of them is a new press or a release.
    if (key->isAutoRepeat())
        return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && enterHeld_;
    const bool press = event->type() == QEvent::KeyPress;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return press ? handleReturnPress(key->timestamp()) : holdReturnUp(key->timestamp());
    case Qt::Key_Space:
        return press ? handleSpaceDown() : false;
    default:
        return false;
    }
}

bool MacTovrinKeyboardModifier::holdReturnUp(quint64 timestamp)
{
    if (!enterHeld_)
        return false;
    if (!pendingRelease_) {
        pendingRelease_ = timestamp;
        repeatWait_.start();
    }
    return true;
}

bool MacTovrinKeyboardModifier::handleReturnPress(quint64 timestamp)
{
    if (pendingRelease_) {
        if (*pendingRelease_ == timestamp) {
            // The release and this press are one auto-repeat step: the hold goes on.
            pendingRelease_.reset();
            repeatWait_.stop();
            return true;
        }
        letPendingReleaseThrough();
    }
    return handleReturnDown();
}

void MacTovrinKeyboardModifier::letPendingReleaseThrough()
{
    if (!pendingRelease_)
        return;
    pendingRelease_.reset();
    repeatWait_.stop();
    handleReturnUp();
}

bool MacTovrinKeyboardModifier::handleReturnDown()
{
    if (!enabled_ || MacTovrinKeyboardGate::isTextInputFocused())
        return false;
    if (enterHeld_)
        return true;
    enterHeld_ = true;
    Diagnostics::printLine(QStringLiteral("[TovrinKeys][mac] Enter PTT down"));
    Q_EMIT pttDown();
    return true;
}

bool MacTovrinKeyboardModifier::handleReturnUp()
{
    if (!enterHeld_)
        return false;
    enterHeld_ = false;
    Diagnostics::printLine(QStringLiteral("[TovrinKeys][mac] Enter PTT up"));
    Q_EMIT pttUp();
    return true;
}

bool MacTovrinKeyboardModifier::handleSpaceDown()
{
    if (!enabled_ || MacTovrinKeyboardGate::isTextInputFocused())
        return false;
    Diagnostics::printLine(QStringLiteral("[TovrinKeys][mac] Space pager"));
    Q_EMIT pager();
    return true;
}

void MacTovrinKeyboardModifier::releasePTTIfNeeded(const char* line)
{
    pendingRelease_.reset();
    repeatWait_.stop();
    if (!enterHeld_)
        return;
    enterHeld_ = false;
    Diagnostics::printLine(QLatin1String(line));
    Q_EMIT pttUp();
}
