#include "platform/symbol_image.h"

#include "platform/bundled_resources.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace SymbolImage {
namespace {

QString pathOf(const QString& name)
{
    return QStringLiteral(":/symbols/%1.svg").arg(name);
}

// Everything the drawn pixels depend on; the ratio goes in exactly, as it is
// stamped on the pixmap.
QString cacheKey(const QString& name, int side, const QColor& color, qreal devicePixelRatio)
{
    return QStringLiteral("SymbolImage/%1/%2/%3/%4")
        .arg(name)
        .arg(side)
        .arg(quint64(color.rgba64()), 16, 16, QLatin1Char('0'))
        .arg(devicePixelRatio, 0, 'g', 17);
}

}  // namespace

bool exists(const QString& name)
{
    BundledResources::ensureLoaded();
    return !name.contains(QLatin1Char('/')) && QFile::exists(pathOf(name));
}

QPixmap render(const QString& name, qreal pointSize, const QColor& color, qreal devicePixelRatio)
{
    if (!exists(name) || pointSize <= 0)
        return {};
    const int side = qMax(1, qRound(pointSize * devicePixelRatio));
    // Painters ask for the same few icons on every paint: parse and draw each once.
    const QString key = cacheKey(name, side, color, devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    QSvgRenderer renderer(pathOf(name));
    pixmap = QPixmap(side, side);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(0, 0, side, side), color);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

}  // namespace SymbolImage
