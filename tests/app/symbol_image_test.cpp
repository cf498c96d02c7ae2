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

}  // namespace
