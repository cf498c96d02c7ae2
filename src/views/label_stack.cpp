#include "views/label_stack.h"

#include "platform/symbol_image.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

namespace {

struct Fitted {
    QFont font;
    QString text;
    QSizeF size;
};

Fitted fit(const LabelLine& line, qreal width)
{
    if (!line.symbol.isEmpty()) {
        const qreal side = line.font.pixelSize();
        return {line.font, {}, {side, side}};
    }
    QFont font = line.font;
    QFontMetricsF metrics(font);
    qreal textWidth = metrics.horizontalAdvance(line.text);
    if (textWidth > width && line.minimumScale < 1) {
        const qreal scale = qMax(line.minimumScale, width / textWidth);
        font.setPixelSize(qMax(1, int(line.font.pixelSize() * scale)));
        metrics = QFontMetricsF(font);
        textWidth = metrics.horizontalAdvance(line.text);
    }
    const QString text = textWidth > width ? metrics.elidedText(line.text, Qt::ElideRight, width) : line.text;
    return {font, text, {qMin(textWidth, width), metrics.height()}};
}

void paintLine(QPainter& painter, const LabelLine& line, const Fitted& fitted, const QRectF& box, const QColor& colour)
{
    if (!line.symbol.isEmpty()) {
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        painter.drawPixmap(box.topLeft(), SymbolImage::render(line.symbol, box.width(), colour, ratio));
        return;
    }
    painter.setFont(fitted.font);
    painter.setPen(colour);
    if (!line.monospacedDigits) {
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, fitted.text);
        return;
    }
    // A count that changes keeps its width: each digit takes the same cell.
    const QFontMetricsF metrics(fitted.font);
    qreal cell = 0;
    for (QChar digit = u'0'; digit <= u'9'; digit = QChar(digit.unicode() + 1))
        cell = qMax(cell, metrics.horizontalAdvance(digit));
    qreal x = box.center().x() - cell * qreal(fitted.text.size()) / 2;
    for (const QChar c : fitted.text) {
        painter.drawText(QRectF(x, box.top(), cell, box.height()), Qt::AlignCenter | Qt::TextSingleLine, QString(c));
        x += cell;
    }
}

}  // namespace

void paintLabelStack(QPainter& painter, const QRectF& area, const std::vector<LabelLine>& lines, qreal spacing,
                     const std::optional<HardShadow>& shadow)
{
    std::vector<Fitted> fitted;
    qreal height = 0;
    for (const LabelLine& line : lines) {
        fitted.push_back(fit(line, area.width()));
        height += fitted.back().size.height();
    }
    height += spacing * qreal(qMax<qsizetype>(0, qsizetype(lines.size()) - 1));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    qreal y = area.center().y() - height / 2;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QSizeF size = fitted[i].size;
        const QRectF box(area.center().x() - (lines[i].symbol.isEmpty() ? area.width() : size.width()) / 2, y,
                         lines[i].symbol.isEmpty() ? area.width() : size.width(), size.height());
        if (shadow)
            paintLine(painter, lines[i], fitted[i], box.translated(shadow->offset), shadow->colour);
        paintLine(painter, lines[i], fitted[i], box, lines[i].colour);
        y += size.height() + spacing;
    }
    painter.restore();
}
