#include "theme/quick_bar_icons.h"

#include "platform/bundle_image.h"
#include "platform/symbol_image.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/drop_shadow.h"
#include "theme/system_colors.h"

#include <QBuffer>
#include <QCache>
#include <QImageReader>
#include <QLinearGradient>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>

namespace QuickBarIconCatalog {
namespace {

Item preset(const char* id, const char* label, const char* symbol, qreal r, qreal g, qreal b,
            std::optional<QString> asset = std::nullopt)
{
    return Item{QString::fromLatin1(id), QString::fromLatin1(label), QString::fromLatin1(symbol),
                QColor::fromRgbF(float(r), float(g), float(b)), std::move(asset)};
}

}  // namespace

const std::vector<Item>& presets()
{
    // A function-local static: built once, safe against concurrent first use.
    static const std::vector<Item> items{
        preset("home", "Home", "house.fill", 0.20, 0.75, 0.45),
        preset("setup", "Setup", "gearshape.2.fill", 0.55, 0.58, 0.62),
        preset("add", "Add", "plus.circle.fill", 0.45, 0.48, 0.52),
        preset("star", "My CH", "dot.radiowaves.left.and.right", 1.00, 0.55, 0.15),
        preset("company", "Company", "building.2.fill", 0.25, 0.45, 0.85),
        preset("radio", "Radio", "antenna.radiowaves.left.and.right", 0.35, 0.55, 0.90),
        preset("friend", "Friend", "person.crop.circle.fill", 0.30, 0.50, 0.85),
        preset("public", "Public", "globe.americas.fill", 0.20, 0.65, 0.45),
        preset("classic", "Classic", "radio.fill", 0.85, 0.65, 0.10),
        preset("mario", "Mario", "gamecontroller.fill", 0.90, 0.25, 0.20, QStringLiteral("ThemeMario")),
        preset("sonic", "Sonic", "hare.fill", 0.20, 0.45, 0.95, QStringLiteral("ThemeSonic")),
        preset("kitty", "Kitty", "heart.fill", 0.95, 0.45, 0.60, QStringLiteral("ThemeKitty")),
        preset("pacman", "Pac-Man", "circle.grid.2x2.fill", 0.95, 0.85, 0.10, QStringLiteral("ThemePacman")),
        preset("gaming", "Gaming", "gamecontroller.fill", 0.55, 0.20, 0.85),
        preset("xmas", "Christmas", "gift.fill", 0.75, 0.15, 0.20),
        preset("army", "Army", "shield.lefthalf.filled", 0.42, 0.48, 0.32),
        preset("cyber", "Cyber", "cpu.fill", 0.10, 0.75, 0.90),
        preset("cute", "Cute", "sparkles", 0.95, 0.50, 0.70),
        preset("usa", "USA", "flag.fill", 0.20, 0.35, 0.75),
        preset("uk", "UK", "flag.fill", 0.15, 0.25, 0.55),
        preset("security", "Security", "lock.shield.fill", 0.25, 0.35, 0.55),
        preset("mall", "Mall", "bag.fill", 0.85, 0.35, 0.45),
        preset("kart", "Kart", "car.fill", 0.90, 0.20, 0.15),
        preset("moon", "Moon", "moon.stars.fill", 0.35, 0.40, 0.65),
    };
    return items;
}

const Item& item(const std::optional<QString>& id)
{
    const std::vector<Item>& all = presets();
    if (id) {
        for (const Item& candidate : all) {
            if (candidate.id == *id)
                return candidate;
        }
    }
    for (const Item& candidate : all) {
        if (candidate.id == QLatin1String("radio"))
            return candidate;
    }
    return all.front();  // unreachable: "radio" is listed
}

}  // namespace QuickBarIconCatalog

size_t qHash(const QuickBarIconCatalog::Item& item, size_t seed)
{
    seed = qHashMulti(seed, item.id, item.label, item.symbol, item.tint.rgba64().toArgb32(), item.asset.has_value());
    return item.asset ? qHash(*item.asset, seed) : seed;
}

namespace QuickBarIcon {
namespace {

constexpr qreal kSymbolBox = 1.15;  // a symbol's drawn square, relative to its point size

bool isStrictBase64(const QString& text)
{
    if (text.isEmpty() || text.size() % 4 != 0)
        return false;
    const qsizetype padding = text.endsWith(QLatin1String("==")) ? 2 : text.endsWith(QLatin1Char('=')) ? 1 : 0;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        const QChar c = text.at(i);
        const bool alphabet = (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                              || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                              || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+')
                              || c == QLatin1Char('/');
        if (!alphabet)
            return false;
    }
    return true;
}

void paintTile(QPainter& painter, const QRectF& square, const QuickBarIconCatalog::Item& item, qreal dpr)
{
    const qreal size = square.width();
    QLinearGradient fill(square.topLeft(), square.bottomRight());
    fill.setColorAt(0, withOpacity(item.tint, 0.95));
    fill.setColorAt(1, withOpacity(item.tint, 0.55));
    painter.fillPath(continuousRoundedRect(square, cornerRadius(size)), fill);

    const qreal box = symbolPointSize(size) * kSymbolBox;
    const QRectF symbolRect(square.center() - QPointF(box / 2, box / 2), QSizeF(box, box));
    const QPixmap glyph = SymbolImage::render(item.symbol, box, Qt::white, dpr);
    const DropShadow shadow{QColor::fromRgbF(0, 0, 0, 0.25f), 0.5, QPointF(0, 0.5)};
    paintWithDropShadow(painter, symbolRect, shadow, [&](QPainter& p) { p.drawPixmap(symbolRect.topLeft(), glyph); });
}

void paintCover(QPainter& painter, const QRectF& square, const QImage& image)
{
    const QSizeF cover = QSizeF(image.size()).scaled(square.size(), Qt::KeepAspectRatioByExpanding);
    const QRectF target(square.center() - QPointF(cover.width() / 2, cover.height() / 2), cover);
    painter.drawImage(target, image);
}

// Custom pictures come from other users and are drawn on every employee's
// quick bar, so their text, format and dimensions are bounded before any
// pixel is decoded. The icon picker writes JPEGs of at most 128 px.
constexpr qsizetype kMaxCustomTextLength = 256 * 1024;
constexpr int kMaxSourceSide = 8192;
constexpr int kMaxDecodedSide = 256;

std::optional<QImage> decode(const QString& text)
{
    if (text.size() > kMaxCustomTextLength || !isStrictBase64(text))
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QByteArray data = *decoded;
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kMaxSourceSide || size.height() > kMaxSourceSide)
        return std::nullopt;
    if (qMax(size.width(), size.height()) > kMaxDecodedSide)
        reader.setScaledSize(size.scaled(kMaxDecodedSide, kMaxDecodedSide, Qt::KeepAspectRatio).expandedTo({1, 1}));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

// A quick-bar button repaints every frame of its press animation: each
// custom text is decoded once, failures included, and the recent results
// kept, costed in KiB (a decoded picture is at most 256 KiB). Any thread may
// decode, so a mutex guards the cache.
struct DecodedCustoms {
    QMutex mutex;
    QCache<QString, std::optional<QImage>> images{8 * 1024};
};

DecodedCustoms& decodedCustoms()
{
    static DecodedCustoms cache;
    return cache;
}

}  // namespace

std::optional<QImage> decodeCustom(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    DecodedCustoms& cache = decodedCustoms();
    {
        QMutexLocker lock(&cache.mutex);
        if (const std::optional<QImage>* hit = cache.images.object(*text))
            return *hit;
    }
    std::optional<QImage> image = decode(*text);
    const qsizetype cost = image ? qMax<qsizetype>(1, image->sizeInBytes() / 1024) : 1;
    QMutexLocker lock(&cache.mutex);
    cache.images.insert(*text, new std::optional<QImage>(image), cost);
    return image;
}

Content contentFor(const std::optional<QString>& iconId, const std::optional<QString>& iconCustom)
{
    if (decodeCustom(iconCustom))
        return Content::custom;
    const auto& asset = QuickBarIconCatalog::item(iconId).asset;
    if (asset && BundleImage::exists(*asset))
        return Content::picture;
    return Content::tile;
}

void paint(QPainter& painter, const QRectF& square, const std::optional<QString>& iconId,
           const std::optional<QString>& iconCustom)
{
    const qreal size = square.width();
    const QPainterPath shape = continuousRoundedRect(square, cornerRadius(size));
    const DropShadow shadow{QColor::fromRgbF(0, 0, 0, 0.12f), 1, QPointF(0, 1)};
    // The content is drawn into a layer at the device's resolution.
    const qreal dpr = painter.device()->devicePixelRatioF() * painter.transform().m11();
    paintWithDropShadow(painter, square, shadow, [&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.save();
        p.setClipPath(shape);
        const QuickBarIconCatalog::Item& item = QuickBarIconCatalog::item(iconId);
        if (const auto custom = decodeCustom(iconCustom)) {
            paintCover(p, square, *custom);
        } else if (const QImage picture = item.asset
                                              ? BundleImage::render(*item.asset, (square.size() * dpr).toSize())
                                              : QImage();
                   !picture.isNull()) {
            p.drawImage(square, picture);
        } else {
            paintTile(p, square, item, dpr);
        }
        p.restore();
        p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.4f), 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
    });
}

}  // namespace QuickBarIcon

QuickBarIconView::QuickBarIconView(std::optional<QString> iconId, std::optional<QString> iconCustom, qreal size,
                                   QWidget* parent)
    : QWidget(parent), iconId_(std::move(iconId)), iconCustom_(std::move(iconCustom))
{
    const int side = qCeil(size);
    setFixedSize(side, side);
    setAttribute(Qt::WA_TranslucentBackground);
}

void QuickBarIconView::setIcon(std::optional<QString> iconId, std::optional<QString> iconCustom)
{
    if (iconId == iconId_ && iconCustom == iconCustom_)
        return;
    iconId_ = std::move(iconId);
    iconCustom_ = std::move(iconCustom);
    update();
}

void QuickBarIconView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QuickBarIcon::paint(painter, QRectF(rect()), iconId_, iconCustom_);
}
