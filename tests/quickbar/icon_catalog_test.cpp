#include "theme/quick_bar_icons.h"
#include "views/pro_quick_button.h"
#include "platform/symbol_image.h"
#include "support/artifacts.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QByteArray encoded(QSize size, QColor colour, const char* format = "JPG")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, format);
    writer.setQuality(75);
    writer.setOptimizedWrite(true);
    writer.write(image);
    return bytes;
}

QString jpegBase64(QSize size, QColor colour)
{
    return QString::fromLatin1(encoded(size, colour).toBase64());
}

}  // namespace

TEST(QuickBarIconCatalog, ListsTwentyFourPresetsInPickerOrder)
{
    const auto& presets = QuickBarIconCatalog::presets();
    ASSERT_EQ(presets.size(), 24u);
    EXPECT_EQ(presets.front().id, "home");
    EXPECT_EQ(presets[5].id, "radio");
    EXPECT_EQ(presets.back().id, "moon");
    QSet<QString> ids;
    for (const auto& item : presets) {
        ids.insert(item.id);
        EXPECT_TRUE(SymbolImage::exists(item.symbol)) << item.symbol.toStdString();
        EXPECT_EQ(item.tint.alphaF(), 1.0f);
    }
    EXPECT_EQ(ids.size(), 24);
    EXPECT_EQ(&QuickBarIconCatalog::presets(), &presets) << "built once";
}

TEST(QuickBarIconCatalog, LookupIsExactElseRadio)
{
    struct Case {
        std::optional<QString> id;
        const char* expected;
    };
    const Case cases[] = {{std::nullopt, "radio"}, {QString(), "radio"},          {QStringLiteral("custom"), "radio"},
                          {QStringLiteral("Home"), "radio"}, {QStringLiteral(" home"), "radio"},
                          {QStringLiteral("home"), "home"},  {QStringLiteral("pacman"), "pacman"}};
    for (const Case& c : cases)
        EXPECT_EQ(QuickBarIconCatalog::item(c.id).id, c.expected) << c.id.value_or("<nil>").toStdString();
    EXPECT_EQ(QuickBarIconCatalog::item(QStringLiteral("pacman")).label, "Pac-Man");
}

TEST(QuickBarIconCatalog, ItemsEqualAndHashByAllFields)
{
    const auto& mario = QuickBarIconCatalog::item(QStringLiteral("mario"));
    const auto& gaming = QuickBarIconCatalog::item(QStringLiteral("gaming"));
    EXPECT_EQ(mario.symbol, gaming.symbol);
    EXPECT_NE(mario, gaming);
    auto copy = mario;
    EXPECT_EQ(copy, mario);
    EXPECT_EQ(qHash(copy), qHash(mario));
    copy.asset.reset();
    EXPECT_NE(copy, mario);
    EXPECT_NE(qHash(copy), qHash(mario));
}

TEST(QuickBarIconView, ChoosesCustomThenPictureThenTile)
{
    using Content = QuickBarIcon::Content;
    const QString valid = jpegBase64({20, 10}, Qt::red);
    struct Case {
        std::optional<QString> id;
        std::optional<QString> custom;
        Content expected;
        const char* what;
    };
    const Case cases[] = {
        {QStringLiteral("mario"), std::nullopt, Content::picture, "preset with a picture"},
        {QStringLiteral("gaming"), std::nullopt, Content::tile, "same symbol, no picture"},
        {QStringLiteral("star"), valid, Content::custom, "custom wins over the id"},
        {QStringLiteral("mario"), valid + QLatin1Char('\n'), Content::picture, "trailing line break"},
        {QStringLiteral("star"), valid.left(valid.size() - 1), Content::tile, "length no multiple of four"},
        {QStringLiteral("star"), QString(), Content::tile, "empty custom text"},
        {QStringLiteral("custom"), QStringLiteral("AAAA"), Content::tile, "base64 but not an image"},
        {QStringLiteral("custom"), QStringLiteral("A B="), Content::tile, "a blank inside"},
        {QStringLiteral("custom"), QString::fromLatin1(encoded({20, 10}, Qt::red, "PNG").toBase64()), Content::tile,
         "an image, but not a JPEG"},
        {QStringLiteral("custom"),
         QString::fromLatin1(QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>").toBase64()),
         Content::tile, "an SVG document"},
        {QStringLiteral("custom"), jpegBase64({9000, 8}, Qt::red), Content::tile, "wider than 8192 px"},
        {QStringLiteral("custom"), QString::fromLatin1((encoded({20, 10}, Qt::red) + QByteArray(200 * 1024, 0)).toBase64()),
         Content::tile, "a JPEG whose text passes 256 KiB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuickBarIcon::contentFor(c.id, c.custom), c.expected) << c.what;
}

TEST(QuickBarIconView, AHugeJpegIsReadScaledOnceAndNotOncePerPaint)
{
    const QString text = jpegBase64({4000, 4000}, QColor(0, 200, 0));
    ASSERT_LE(text.size(), 256 * 1024) << "a flat picture compresses under the cap";
    QuickBarIconView view(QStringLiteral("star"), text, 40);
    const QColor first = view.grab().toImage().pixelColor(20, 20);
    EXPECT_GT(first.green(), first.red() + 80) << "the picture is drawn";

    const auto decoded = QuickBarIcon::decodeCustom(text);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(256, 256)) << "read scaled, not at 4000 px";
    for (int paint = 0; paint < 3; ++paint)
        view.grab();
    // A fresh decode makes a new image; the cached one keeps its key.
    EXPECT_EQ(QuickBarIcon::decodeCustom(text)->cacheKey(), decoded->cacheKey());
}

TEST(QuickBarIconView, ScalesCornerAndSymbolWithSize)
{
    EXPECT_DOUBLE_EQ(QuickBarIcon::cornerRadius(40), 9.6);
    EXPECT_DOUBLE_EQ(QuickBarIcon::symbolPointSize(40), 16.8);
    QuickBarIconView view(QStringLiteral("gaming"), std::nullopt, 40);
    EXPECT_EQ(view.size(), QSize(40, 40));
}

TEST(QuickBarIconView, DrawsTheTileColourAndTheCustomPicture)
{
    // The gaming tile is purple at its centre-left; a custom green picture covers it.
    const auto centreLeft = [](QuickBarIconView& view) { return view.grab().toImage().pixelColor(6, 20); };
    QuickBarIconView tile(QStringLiteral("gaming"), std::nullopt, 40);
    const QColor purple = centreLeft(tile);
    EXPECT_GT(purple.blue(), purple.green() + 40);
    EXPECT_GT(purple.red(), purple.green() + 20);

    QuickBarIconView custom(QStringLiteral("gaming"), jpegBase64({64, 32}, QColor(0, 200, 0)), 40);
    const QColor green = centreLeft(custom);
    EXPECT_GT(green.green(), green.red() + 80);

    // Every preset, for a person to look at.
    QImage sheet(6 * 52, 4 * 52, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(242, 242, 247));
    QPainter painter(&sheet);
    int index = 0;
    for (const auto& item : QuickBarIconCatalog::presets()) {
        QuickBarIcon::paint(painter, QRectF(6 + (index % 6) * 52, 6 + (index / 6) * 52, 40, 40), item.id,
                            std::nullopt);
        ++index;
    }
    painter.end();
    saveArtifact(sheet, QStringLiteral("icon_catalog"), QStringLiteral("quickbar"));
}
