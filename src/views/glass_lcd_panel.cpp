#include "views/glass_lcd_panel.h"

#include "theme/continuous_rounded_rect.h"
#include "views/key_face_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// Glare and edge, drawn above the content.
class GlassGlare : public QWidget {
public:
    explicit GlassGlare(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF outer = QRectF(rect());
        const QRectF glare = outer.adjusted(2, 2, -2, -2);
        QLinearGradient shine(glare.topLeft(), glare.center());
        shine.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.22f));
        shine.setColorAt(1.0 / 3, QColor::fromRgbF(1, 1, 1, 0.06f));
        shine.setColorAt(2.0 / 3, Qt::transparent);
        shine.setColorAt(1, Qt::transparent);
        painter.fillPath(continuousRoundedRect(glare, 14), shine);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.12f), 1));
        painter.drawPath(continuousRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 14));
    }
};

}  // namespace

GlassLCDPanel::GlassLCDPanel(QWidget* parent)
    : QWidget(parent)
    , layout_(new QVBoxLayout(this))
    , glare_(new GlassGlare(this))
    , lcdBg_(Qt::black)
{
    layout_->setContentsMargins(10, 14, 10, 14);
    layout_->setSpacing(0);
}

void GlassLCDPanel::setContent(QWidget* content)
{
    layout_->addWidget(content);
    glare_->raise();
}

void GlassLCDPanel::setLcdBackground(const QColor& lcdBg)
{
    if (lcdBg == lcdBg_)
        return;
    lcdBg_ = lcdBg;
    update();
}

void GlassLCDPanel::resizeEvent(QResizeEvent* event)
{
    glare_->setGeometry(rect());
    glare_->raise();
    QWidget::resizeEvent(event);
}

void GlassLCDPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect());

    const QPainterPath bezel = continuousRoundedRect(outer, 14);
    paintShadow(painter, bezel, QColor::fromRgbF(0, 0, 0, 0.6f), 2, {0, 2});
    painter.fillPath(bezel, QColor::fromRgbF(0, 0, 0, 0.55f));

    const QPainterPath face = continuousRoundedRect(outer.adjusted(4, 4, -4, -4), 12);
    paintShadow(painter, face, QColor::fromRgbF(0, 0, 0, 0.8f), 6, {0, 3});
    painter.fillPath(face, lcdBg_);

    const QRectF rimRect = outer.adjusted(5, 5, -5, -5);
    QLinearGradient rim(rimRect.topLeft(), rimRect.bottomRight());
    rim.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.15f));
    rim.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.4f));
    painter.setPen(QPen(QBrush(rim), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(continuousRoundedRect(rimRect, 10));
}
