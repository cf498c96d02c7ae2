#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QPainter;

// The icons of saved channels, owned channels and companies: a fixed list of
// presets named by a short id, or a custom picture carried as base64 JPEG text.
namespace QuickBarIconCatalog {

struct Item {
    QString id;      // stored in records; unique in the catalog
    QString label;   // shown under the icon in the picker
    QString symbol;  // symbol drawn on the tile
    QColor tint;     // tile colour, opaque sRGB
    std::optional<QString> asset;  // a picture of the application drawn instead of the tile

    bool operator==(const Item&) const = default;
};

// The 24 presets in the picker's order; built once, never changed.
const std::vector<Item>& presets();

// The preset with exactly this id, else the "radio" preset (also for no id,
// the empty text and "custom").
const Item& item(const std::optional<QString>& id);

}  // namespace QuickBarIconCatalog

size_t qHash(const QuickBarIconCatalog::Item& item, size_t seed = 0);

// Drawing an (icon id, custom picture) pair into a square.
namespace QuickBarIcon {

// What a pair draws as; the first that applies wins.
enum class Content { custom, picture, tile };

// The picture of a custom text: strict padded base64 (no blanks or line
// breaks, at most 256 KiB) of a JPEG of at most 8192 px a side; nothing
// otherwise. Larger pictures are read scaled to 256 px on their longer side.
// Each text is decoded once and the result kept for later calls.
std::optional<QImage> decodeCustom(const std::optional<QString>& text);

Content contentFor(const std::optional<QString>& iconId, const std::optional<QString>& iconCustom);

inline qreal cornerRadius(qreal size) { return size * 0.24; }
inline qreal symbolPointSize(qreal size) { return size * 0.42; }

// Paints the icon into `square` (clipped to the rounded tile, with its rim
// and shadow); the shadow reaches 1.5 points beyond the square and 1 below.
void paint(QPainter& painter, const QRectF& square, const std::optional<QString>& iconId,
           const std::optional<QString>& iconCustom);

}  // namespace QuickBarIcon

// A widget of exactly size × size points showing one icon. It keeps nothing
// but its three fields and redraws from them.
class QuickBarIconView : public QWidget {
    Q_OBJECT
public:
    QuickBarIconView(std::optional<QString> iconId, std::optional<QString> iconCustom, qreal size,
                     QWidget* parent = nullptr);

    void setIcon(std::optional<QString> iconId, std::optional<QString> iconCustom);
    const std::optional<QString>& iconId() const { return iconId_; }
    const std::optional<QString>& iconCustom() const { return iconCustom_; }
    QuickBarIcon::Content content() const { return QuickBarIcon::contentFor(iconId_, iconCustom_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QString> iconId_;
    std::optional<QString> iconCustom_;
};
