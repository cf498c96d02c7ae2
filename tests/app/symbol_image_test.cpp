#include "platform/bundle_image.h"
#include "platform/symbol_image.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(SymbolImage, RendersKnownSymbolsInTheirColour)
{
    for (const char* name : {"dot.radiowaves.left.and.right", "list.bullet", "gearshape.fill", "person.2.fill", "xmark"}) {
        ASSERT_TRUE(SymbolImage::exists(name)) << name;
        const QImage image = SymbolImage::render(name, 18, Qt::red, 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.size(), QSize(36, 36)) << name;
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 128) {
                    ++inked;
                    EXPECT_EQ(qRed(image.pixel(x, y)), 255);
                }
        EXPECT_GT(inked, 20) << name;
    }
}

TEST(SymbolImage, UnknownOrUnsafeNamesGiveNothing)
{
    EXPECT_TRUE(SymbolImage::render("no.such.symbol", 18, Qt::black).isNull());
    EXPECT_FALSE(SymbolImage::exists("../symbols/xmark"));
}

TEST(SymbolImage, RepeatedRequestsKeepColourSizeAndRatioApart)
{
    const QString name = QStringLiteral("xmark");
    const QImage first = SymbolImage::render(name, 18, Qt::red, 2.0).toImage();
    EXPECT_EQ(SymbolImage::render(name, 18, Qt::red, 2.0).toImage(), first);

    const QPixmap blue = SymbolImage::render(name, 18, Qt::blue, 2.0);
    EXPECT_NE(blue.toImage(), first);
    const QPixmap single = SymbolImage::render(name, 18, Qt::red, 1.0);
    EXPECT_EQ(single.size(), QSize(18, 18));
    EXPECT_EQ(single.devicePixelRatio(), 1.0);
    // Same pixel side, different ratio: the ratio stamped on the pixmap differs.
    const QPixmap halved = SymbolImage::render(name, 36, Qt::red, 1.0);
    EXPECT_EQ(halved.size(), QSize(36, 36));
    EXPECT_EQ(halved.devicePixelRatio(), 1.0);
    EXPECT_EQ(SymbolImage::render(name, 18, Qt::red, 2.0).devicePixelRatio(), 2.0);
}

TEST(BundleImage, RepeatedRequestsGiveTheSamePictureAtEachSize)
{
    const QString name = QStringLiteral("ThemeMario");
    ASSERT_TRUE(BundleImage::exists(name));
    const QImage first = BundleImage::render(name, QSize(60, 40));
    ASSERT_EQ(first.size(), QSize(60, 40));
    EXPECT_EQ(BundleImage::render(name, QSize(60, 40)), first);
    EXPECT_EQ(BundleImage::render(name, QSize(40, 60)).size(), QSize(40, 60));
    EXPECT_NE(BundleImage::render(QStringLiteral("ThemeKitty"), QSize(60, 40)), first);
    EXPECT_TRUE(BundleImage::render(name, QSize()).isNull());
}

}  // namespace
