#pragma once

#include <QLabel>
#include <QPointer>

class QAbstractAnimation;
class QGraphicsOpacityEffect;
class QParallelAnimationGroup;
class QPropertyAnimation;

// The window's one toast: a short text on a capsule that floats above every
// sheet of the window, so that what an action taken in a sheet reports is
// seen. A screen puts its toast up here and takes it down again; the toast
// also goes when that screen goes. One per window, made on first use as a
// child of the window; it lets clicks through to what lies under it.
class ToastHost : public QLabel {
    Q_OBJECT
public:
    struct Placement {
        int bottomInset = 12;  // above the owner's bottom edge
        // Comes in from the window's bottom edge and leaves to it, fading.
        bool slides = false;
    };

    // The host of the widget's window, made when there is none yet.
    static ToastHost* of(QWidget* widget);
    // Takes the owner's toast down, if it shows one; another screen's stays.
    static void withdraw(QWidget* owner);

    void present(QWidget* owner, const QString& text, Placement placement);
    // The owner's toast is up (a toast on its way out no longer counts).
    bool isShowing(const QWidget* owner) const;
    // The running slide and fade; tests drive it to its end.
    QAbstractAnimation* motion() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    explicit ToastHost(QWidget* window);
    void takeDown(QWidget* owner);
    void watchSibling(QObject* child);
    QPoint restingPlace() const;
    QPoint offscreenPlace() const;
    void animateTo(QPoint place, qreal opacity);
    void dropNow();

    QPointer<QWidget> owner_;
    Placement placement_;
    bool leaving_ = false;
    QGraphicsOpacityEffect* opacity_;
    QParallelAnimationGroup* motion_;
    QPropertyAnimation* slide_;
    QPropertyAnimation* fade_;
};
