#include "platform/bundle_image.h"

#include "platform/bundled_resources.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace BundleImage {
namespace {

QString pathOf(const QString& name)
{
    return QStringLiteral(":/hero/%1.svg").arg(name);
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
    QSvgRenderer renderer(pathOf(name));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF natural = renderer.defaultSize().isEmpty() ? QSizeF(size) : QSizeF(renderer.defaultSize());
    const QSizeF cover = natural.scaled(size, Qt::KeepAspectRatioByExpanding);
    const QPointF origin((size.width() - cover.width()) / 2, (size.height() - cover.height()) / 2);
    renderer.render(&painter, QRectF(origin, cover));
    return image;
}

}  // namespace BundleImage
