#include "views/toast_host.h"

#include "views/view_fonts.h"

#include <QChildEvent>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

namespace {

constexpr int kSideMargin = 16;
constexpr int kMotionMs = 250;
const QColor kCapsule(255, 255, 255, 217);  // the thin frosted material

}  // namespace

ToastHost* ToastHost::of(QWidget* widget)
{
    QWidget* window = widget->window();
    if (auto* host = window->findChild<ToastHost*>(QString(), Qt::FindDirectChildrenOnly))
        return host;
    return new ToastHost(window);
}

void ToastHost::withdraw(QWidget* owner)
{
    if (!owner)
        return;
    if (auto* host = owner->window()->findChild<ToastHost*>(QString(), Qt::FindDirectChildrenOnly))
        host->takeDown(owner);
}

ToastHost::ToastHost(QWidget* window)
    : QLabel(window), opacity_(new QGraphicsOpacityEffect(this)), motion_(new QParallelAnimationGroup(this)),
      slide_(new QPropertyAnimation(this, "pos", motion_)), fade_(new QPropertyAnimation(opacity_, "opacity", motion_))
{
    setObjectName(QStringLiteral("ToastHost"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextFormat(Qt::PlainText);
    setFont(ViewFonts::caption(QFont::DemiBold));
    setAlignment(Qt::AlignCenter);
    setContentsMargins(14, 8, 14, 8);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setGraphicsEffect(opacity_);
    for (QPropertyAnimation* part : {slide_, fade_}) {
        part->setDuration(kMotionMs);
        part->setEasingCurve(QEasingCurve::OutCubic);
    }
    connect(motion_, &QAbstractAnimation::finished, this, [this] {
        if (leaving_)
            dropNow();
    });
    hide();

    // Above every sheet: whatever the window stacks later, the toast goes back on top.
    window->installEventFilter(this);
    for (QObject* child : window->children())
        watchSibling(child);
}

void ToastHost::watchSibling(QObject* child)
{
    if (child != this && child->isWidgetType())
        child->installEventFilter(this);
}

bool ToastHost::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget()) {
        if (event->type() == QEvent::ChildAdded) {
            watchSibling(static_cast<QChildEvent*>(event)->child());
            raise();
        } else if (event->type() == QEvent::Resize && !isHidden() && !leaving_) {
            motion_->stop();
            move(restingPlace());
        }
    } else if (event->type() == QEvent::ZOrderChange || event->type() == QEvent::Show) {
        raise();
    }
    return QLabel::eventFilter(watched, event);
}

void ToastHost::present(QWidget* owner, const QString& text, Placement placement)
{
    if (owner_ != owner) {
        if (owner_)
            disconnect(owner_, nullptr, this, nullptr);
        owner_ = owner;
        connect(owner, &QObject::destroyed, this, &ToastHost::dropNow);
    }
    const bool wasUp = !isHidden() && !leaving_;
    placement_ = placement;
    leaving_ = false;
    setMaximumWidth(parentWidget()->width() - 2 * kSideMargin);
    setText(text);
    adjustSize();
    raise();
    if (!placement.slides || wasUp) {
        motion_->stop();
        opacity_->setOpacity(1.0);
        move(restingPlace());
        show();
        return;
    }
    if (isHidden()) {
        move(offscreenPlace());
        opacity_->setOpacity(0.0);
    }
    show();
    animateTo(restingPlace(), 1.0);
}

void ToastHost::takeDown(QWidget* owner)
{
    if (owner_ != owner || isHidden() || leaving_)
        return;
    if (!placement_.slides) {
        dropNow();
        return;
    }
    leaving_ = true;
    animateTo(offscreenPlace(), 0.0);
}

void ToastHost::dropNow()
{
    motion_->stop();
    leaving_ = false;
    hide();
    if (owner_)
        disconnect(owner_, nullptr, this, nullptr);
    owner_ = nullptr;
}

bool ToastHost::isShowing(const QWidget* owner) const
{
    return owner_ == owner && !isHidden() && !leaving_;
}

QAbstractAnimation* ToastHost::motion() const
{
    return motion_;
}

QPoint ToastHost::restingPlace() const
{
    QWidget* window = parentWidget();
    const QRect area = owner_ ? QRect(owner_->mapTo(window, QPoint(0, 0)), owner_->size()) : window->rect();
    return {area.center().x() + 1 - width() / 2, area.bottom() + 1 - placement_.bottomInset - height()};
}

QPoint ToastHost::offscreenPlace() const
{
    return {restingPlace().x(), parentWidget()->height()};
}

void ToastHost::animateTo(QPoint place, qreal opacity)
{
    motion_->stop();
    slide_->setStartValue(pos());
    slide_->setEndValue(place);
    fade_->setStartValue(opacity_->opacity());
    fade_->setEndValue(opacity);
    motion_->start();
}

void ToastHost::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kCapsule);
        const qreal radius = height() / 2.0;
        painter.drawRoundedRect(QRectF(rect()), radius, radius);
    }
    QLabel::paintEvent(event);
}
