#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class ThemeStore;

// The BAND and SUB steppers under the tuner LCD: each shows its three digits
// of the tuned channel over a large plus and a large minus key. A tap gives one
// medium haptic and then one step signal; the steppers tune nothing.
class ChannelBandSubSteppers : public QWidget {
    Q_OBJECT

public:
    ChannelBandSubSteppers(ThemeStore* theme, qreal layoutScale, QWidget* parent = nullptr);

    void setChannelNumber(qint64 channel);
    QString bandDisplay() const;
    QString subDisplay() const;

    static QString bandDisplay(qint64 channel);
    static QString subDisplay(qint64 channel);

signals:
    void bandDown();
    void bandUp();
    void subDown();
    void subUp();

private:
    void applyTheme();

    ThemeStore* theme_;
    qint64 channel_ = 0;
    QLabel* bandValue_;
    QLabel* subValue_;
    QList<QLabel*> texts_;
};
