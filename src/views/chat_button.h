#pragma once

#include "views/arcade_tap_key.h"

// The leading key of the action strip: green, "CHAT", with a lit LED and a red
// badge (at most "99") while unread messages wait. A tap emits clicked().
class ChatButton : public ArcadeTapKey {
    Q_OBJECT

public:
    explicit ChatButton(QWidget* parent = nullptr);

    void setUnreadHint(int unread);
    int unreadHint() const { return unread_; }
    bool hasUnread() const { return unread_ > 0; }
    // The badge's text; empty when no badge is shown.
    QString badgeText() const;

protected:
    PushFaceStyle faceStyle(bool pressed) const override;
    void paintLabel(QPainter& painter, const QRectF& key) const override;
    void paintOverlay(QPainter& painter, const QRectF& key) const override;

private:
    int unread_ = 0;
};
