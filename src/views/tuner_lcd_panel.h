#pragma once

#include <QString>
#include <QWidget>

class GlassLCDPanel;
class QLabel;
class SwipeableFrequencyLCD;
class ThemeStore;

// The LCD of the radio face: the status word, the frequency as nudgeable
// seven-segment digits, and a hint, on the themed glass. Ink follows the
// luminance of the theme's LCD colour. Tunes nothing: a nudge is reported as
// (character index, delta).
class TunerLCDPanel : public QWidget {
    Q_OBJECT

public:
    static const QString validHint;
    static const QString outOfRangeHint;

    explicit TunerLCDPanel(ThemeStore* theme, QWidget* parent = nullptr);

    void setStatus(const QString& status);
    void setFrequency(const QString& frequency);

    QString statusText() const;
    QString hintText() const;
    QColor statusColour() const;
    QColor hintColour() const;
    SwipeableFrequencyLCD* frequencyRow() const { return row_; }

signals:
    void digitNudged(int index, int delta);

private:
    void applyTheme();
    void applyHint();

    ThemeStore* theme_;
    GlassLCDPanel* glass_;
    QLabel* status_;
    SwipeableFrequencyLCD* row_;
    QLabel* hint_;
};
