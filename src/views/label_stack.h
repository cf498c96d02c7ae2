#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

// One line of a key's centred label: text, or a symbol when `symbol` is set.
struct LabelLine {
    QString text;
    QFont font;
    QColor colour = Qt::white;
    QString symbol;         // drawn in a square of the font's pixel size
    qreal minimumScale = 1; // a text too wide shrinks to this scale, then elides
    bool monospacedDigits = false;  // every character in a cell as wide as the widest digit
};

struct HardShadow {
    QColor colour;
    QPointF offset;
};

// Paints the lines as one vertical stack centred in `area`, `spacing` apart,
// each with the hard shadow when given.
void paintLabelStack(QPainter& painter, const QRectF& area, const std::vector<LabelLine>& lines, qreal spacing,
                     const std::optional<HardShadow>& shadow = std::nullopt);
