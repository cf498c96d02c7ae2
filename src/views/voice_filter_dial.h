#pragma once

#include <QPointer>
#include <QWidget>

class ThemeStore;

// Every size of the dial, from its design width `side` (points).
struct VoiceFilterDialStyle {
    explicit VoiceFilterDialStyle(qreal side);

    qreal side;
    qreal height;        // 1.12 x side
    qreal spacing;       // between symbol and caption
    qreal symbolSize;    // "🚫"
    qreal captionSize;   // "FX OFF", at least 8
    qreal cornerRadius;
    qreal strokeWidth;   // at least 1
    static constexpr qreal fillOpacity = 0.28;
    static constexpr qreal strokeOpacity = 0.35;
    static constexpr qreal opacity = 0.85;
};

// The disabled voice-effects dial beside the speaker grille: a dark rounded
// plate showing "🚫" over "FX OFF". It takes no input and does not follow the
// selected preset; it repaints when the theme changes.
class VoiceFilterDial : public QWidget {
    Q_OBJECT
public:
    static const QString kSymbol;
    static const QString kCaption;

    VoiceFilterDial(ThemeStore* theme, qreal side, QWidget* parent = nullptr);

    const VoiceFilterDialStyle& style() const { return style_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<ThemeStore> theme_;
    VoiceFilterDialStyle style_;
};
