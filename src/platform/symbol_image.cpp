#include "platform/symbol_image.h"

#include "platform/bundled_resources.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace SymbolImage {
namespace {

QString pathOf(const QString& name)
{
    return QStringLiteral(":/symbols/%1.svg").arg(name);
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
    QSvgRenderer renderer(pathOf(name));
    const int side = qMax(1, qRound(pointSize * devicePixelRatio));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(0, 0, side, side), color);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

}  // namespace SymbolImage
