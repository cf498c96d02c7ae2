#pragma once

#include "views/arcade_tap_key.h"

#include <optional>

class QMenu;

// The middle key of the action strip: sends the pager with the chosen alert
// sound. Yellow with the sound's emoji and label; grey with the seconds over
// "WAIT" while the pager cooldown runs, when taps are ignored. Its context menu
// offers "Next alert sound".
class CallToneButton : public ArcadeTapKey {
    Q_OBJECT

public:
    explicit CallToneButton(QWidget* parent = nullptr);

    void setAlertSound(const QString& emoji, const QString& label);
    void setCooldownRemaining(std::optional<int> seconds);
    std::optional<int> cooldownRemaining() const { return cooldown_; }

    bool isCooling() const { return cooldown_ && *cooldown_ > 0; }
    bool acceptsTaps() const { return !isCooling(); }
    QStringList labelTexts() const;
    QMenu* contextMenu() const { return menu_; }

signals:
    // A tap while ready, after its timing line.
    void played();
    void nextAlertSoundRequested();

protected:
    PushFaceStyle faceStyle(bool pressed) const override;
    void paintLabel(QPainter& painter, const QRectF& key) const override;
    bool hitButton(const QPoint& pos) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void tap();
    void updateAccessibility();

    QString emoji_;
    QString label_;
    std::optional<int> cooldown_;
    QMenu* menu_ = nullptr;
};
