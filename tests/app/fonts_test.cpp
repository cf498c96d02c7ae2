#include "views/view_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(ViewFonts, EachDesignResolvesToItsInstalledFamily)
{
    const struct {
        ViewFonts::Design design;
        const char* family;
    } cases[] = {
        {ViewFonts::Design::standard, "Noto Sans"},
        {ViewFonts::Design::rounded, "Quicksand"},
        {ViewFonts::Design::monospaced, "JetBrains Mono"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(QFontDatabase::families().contains(QLatin1String(c.family)))
            << c.family << " is not installed: run scripts/setup";
        const QFont font = ViewFonts::font(14, QFont::Bold, c.design);
        EXPECT_EQ(QFontInfo(font).family(), QLatin1String(c.family));
        EXPECT_EQ(font.pixelSize(), 14);
    }
}

}  // namespace
