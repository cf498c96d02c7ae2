#include "platform/bundle_image.h"

#include "platform/bundled_resources.h"

#include <QCache>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QSvgRenderer>

namespace BundleImage {
namespace {

QString pathOf(const QString& name)
{
    return QStringLiteral(":/hero/%1.svg").arg(name);
}

// Face plates and quick-bar tiles repaint the same picture at the same size
// again and again: recent renderings are kept, costed in KiB. Any thread may
// render a QImage, so a mutex guards the cache.
struct RenderCache {
    QMutex mutex;
    QCache<QString, QImage> images{16 * 1024};
};

RenderCache& renderCache()
{
    static RenderCache cache;
    return cache;
}

QImage draw(const QString& name, QSize size)
{
    QSvgRenderer renderer(pathOf(name));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF natural = renderer.defaultSize().isEmpty() ? QSizeF(size) : QSizeF(renderer.defaultSize());
    const QSizeF cover = natural.scaled(size, Qt::KeepAspectRatioByExpanding);
    const QPointF origin((size.width() - cover.width()) / 2, (size.height() - cover.height()) / 2);
    renderer.render(&painter, QRectF(origin, cover));
    painter.end();
    return image;
}

}  // namespace

bool exists(const QString& name)
{
    BundledResources::ensureLoaded();
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && QFile::exists(pathOf(name));
}

QImage render(const QString& name, QSize size)
{
    if (!exists(name) || size.isEmpty())
        return {};
    RenderCache& cache = renderCache();
    const QString key = QStringLiteral("%1/%2x%3").arg(name).arg(size.width()).arg(size.height());
    {
        QMutexLocker lock(&cache.mutex);
        if (const QImage* hit = cache.images.object(key))
            return *hit;
    }
    const QImage image = draw(name, size);
    QMutexLocker lock(&cache.mutex);
    cache.images.insert(key, new QImage(image), qMax<qsizetype>(1, image.sizeInBytes() / 1024));
    return image;
}

}  // namespace BundleImage
