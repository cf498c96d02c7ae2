#include "theme/art_cache_widget.h"

#include "theme/theme_store.h"

#include <QPainter>

ArtCacheWidget::ArtCacheWidget(ThemeStore* store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (store_)
        connect(store_, &ThemeStore::currentChanged, this, &ArtCacheWidget::invalidateArt);
}

void ArtCacheWidget::invalidateArt()
{
    cache_ = QImage();
    update();
}

void ArtCacheWidget::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
        return;
    if (cache_.size() != pixels || !qFuzzyCompare(cache_.devicePixelRatio(), ratio)) {
        cache_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        cache_.setDevicePixelRatio(ratio);
        cache_.fill(Qt::transparent);
        QPainter art(&cache_);
        art.setRenderHint(QPainter::Antialiasing);
        paintArt(art, QRectF(QPointF(0, 0), QSizeF(size())));
    }
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), cache_);
}
