#include "views/glass_lcd_panel.h"

#include "theme/art_cache_widget.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/theme_store.h"
#include "views/key_face_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// Bezel, LCD face and inner rim, behind the content.
class GlassBack : public ArtCacheWidget {
public:
    using ArtCacheWidget::ArtCacheWidget;

protected:
    void paintArt(QPainter& painter, const QRectF& outer) override
    {
        const QPainterPath bezel = continuousRoundedRect(outer, 14);
        paintShadow(painter, bezel, QColor::fromRgbF(0, 0, 0, 0.6f), 2, {0, 2});
        painter.fillPath(bezel, QColor::fromRgbF(0, 0, 0, 0.55f));

        const QPainterPath face = continuousRoundedRect(outer.adjusted(4, 4, -4, -4), 12);
        paintShadow(painter, face, QColor::fromRgbF(0, 0, 0, 0.8f), 6, {0, 3});
        painter.fillPath(face, store()->current().lcdBg);

        const QRectF rimRect = outer.adjusted(5, 5, -5, -5);
        QLinearGradient rim(rimRect.topLeft(), rimRect.bottomRight());
        rim.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.15f));
        rim.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.4f));
        painter.setPen(QPen(QBrush(rim), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(continuousRoundedRect(rimRect, 10));
    }
};

// Glare and edge, in front of the content.
class GlassGlare : public ArtCacheWidget {
public:
    explicit GlassGlare(QWidget* parent)
        : ArtCacheWidget(nullptr, parent)
    {
    }

protected:
    void paintArt(QPainter& painter, const QRectF& outer) override
    {
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

GlassLCDPanel::GlassLCDPanel(ThemeStore* theme, QWidget* parent)
    : QWidget(parent)
    , layout_(new QVBoxLayout(this))
    , back_(new GlassBack(theme, this))
    , glare_(new GlassGlare(this))
{
    layout_->setContentsMargins(10, 14, 10, 14);
    layout_->setSpacing(0);
    back_->lower();
}

void GlassLCDPanel::setContent(QWidget* content)
{
    layout_->addWidget(content);
    glare_->raise();
}

void GlassLCDPanel::resizeEvent(QResizeEvent* event)
{
    back_->setGeometry(rect());
    glare_->setGeometry(rect());
    back_->lower();
    glare_->raise();
    QWidget::resizeEvent(event);
}
