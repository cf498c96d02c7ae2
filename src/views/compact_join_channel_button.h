#pragma once

#include "views/bevel_button.h"

// The small JOIN/EXIT key of the radio face's header: green "JOIN" while the
// radio is not in a channel, dark red "EXIT" while it is. Every tap emits
// clicked(); the key does not decide between joining and leaving.
class CompactJoinChannelButton : public BevelButton {
    Q_OBJECT

public:
    explicit CompactJoinChannelButton(QWidget* parent = nullptr);

    void setInChannel(bool inChannel);
    bool isInChannel() const { return inChannel_; }
    QString caption() const;
    QString symbolName() const;

    QSize sizeHint() const override { return plateSizeHint({72, 48}); }

protected:
    BevelStyle bevelStyle() const override;
    void paintLabel(QPainter& painter, const QRectF& rect) const override;

private:
    bool inChannel_ = false;
};
