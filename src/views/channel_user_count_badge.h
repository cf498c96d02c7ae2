#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// A capsule with a people symbol and "1 user" / "<n> users", tinted with the
// accent while anyone is there and with the secondary colour otherwise.
class ChannelUserCountBadge : public QWidget {
    Q_OBJECT

public:
    ChannelUserCountBadge(qint64 count, const QColor& accent, const QColor& surface, QWidget* parent = nullptr);

    void setValues(qint64 count, const QColor& accent, const QColor& surface);
    qint64 count() const { return count_; }

    static QString text(qint64 count);
    static QString symbolName(qint64 count);
    static QColor fillColour(qint64 count, const QColor& accent, const QColor& surface);
    static QColor textColour(qint64 count, const QColor& accent, const QColor& surface);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QFont font();

    qint64 count_;
    QColor accent_;
    QColor surface_;
};
