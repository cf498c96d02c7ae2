#include "theme/face_plate_theme.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

// A readable colour is one of three named colours at one of six opacities.
struct Expected {
    SystemColor colour;
    double opacity;
};

void expectColour(const QColor& actual, const Expected& expected)
{
    const QColor base = systemColor(expected.colour);
    EXPECT_EQ(actual.red(), base.red());
    EXPECT_EQ(actual.green(), base.green());
    EXPECT_EQ(actual.blue(), base.blue());
    EXPECT_NEAR(actual.alphaF(), expected.opacity, 1e-4);
}

TEST(ThemeContrast, LuminanceEnds)
{
    EXPECT_NEAR(ThemeContrast::luminance(Qt::white), 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(ThemeContrast::luminance(Qt::black), 0.0);
    // Opacity plays no part.
    EXPECT_NEAR(ThemeContrast::luminance(rgb(1, 1, 1, 0.1)), 1.0, 1e-12);
    // A colour without components counts as black.
    EXPECT_DOUBLE_EQ(ThemeContrast::luminance(QColor()), 0.0);
}

TEST(ThemeContrast, LinearisationThreshold)
{
    // Exactly at the threshold a component is divided; just above, it takes the power branch.
    const double atThreshold = ThemeContrast::luminance(rgb(0.03928, 0.03928, 0.03928));
    EXPECT_NEAR(atThreshold, 0.03928 / 12.92, 2e-6);
    EXPECT_NEAR(atThreshold, 0.00304, 1e-5);
    const double above = ThemeContrast::luminance(rgb(0.5, 0.5, 0.5));
    EXPECT_NEAR(above, std::pow((0.5 + 0.055) / 1.055, 2.4), 1e-4);
}

TEST(ThemeContrast, BlendEndsAndOpacity)
{
    const QColor a = rgb(0.1, 0.2, 0.3, 0.4);
    const QColor b = rgb(0.9, 0.7, 0.5, 1.0);
    EXPECT_EQ(ThemeContrast::blend(a, b, 0), a);
    EXPECT_EQ(ThemeContrast::blend(a, b, 1), b);
    const QColor mid = ThemeContrast::blend(a, b, 0.5);
    EXPECT_NEAR(mid.redF(), 0.5, 1e-4);
    EXPECT_NEAR(mid.greenF(), 0.45, 1e-4);
    EXPECT_NEAR(mid.blueF(), 0.4, 1e-4);
    EXPECT_NEAR(mid.alphaF(), 0.7, 1e-4);
}

TEST(ThemeContrast, BlendTreatsAColourWithoutComponentsAsClearBlack)
{
    const QColor mid = ThemeContrast::blend(QColor(), Qt::white, 0.5);
    EXPECT_NEAR(mid.redF(), 0.5, 1e-4);
    EXPECT_NEAR(mid.alphaF(), 0.5, 1e-4);
}

TEST(ThemeContrast, BlendExtrapolatesBeyondTheEnds)
{
    const QColor out = ThemeContrast::blend(rgb(0.2, 0.2, 0.2), rgb(0.6, 0.6, 0.6), 2.0);
    EXPECT_NEAR(out.redF(), 1.0, 2e-3);
    const QColor beyond = ThemeContrast::blend(rgb(0.2, 0.2, 0.2), rgb(0.6, 0.6, 0.6), 3.0);
    EXPECT_TRUE(beyond.isValid());
    EXPECT_NEAR(beyond.redF(), 1.4, 2e-3);
    const QColor before = ThemeContrast::blend(rgb(0.2, 0.2, 0.2), rgb(0.6, 0.6, 0.6), -1.0);
    EXPECT_NEAR(before.redF(), -0.2, 2e-3);
    // Opacity has no room beyond 0–1: it stops at the end.
    EXPECT_NEAR(ThemeContrast::blend(rgb(0, 0, 0, 0.5), rgb(0, 0, 0, 1.0), 3.0).alphaF(), 1.0, 1e-4);
}

TEST(ThemeContrast, ReadableBands)
{
    struct Case {
        QColor background;
        bool muted;
        Expected expected;
    };
    // Grey levels whose luminance sits just either side of the two bounds.
    const auto greyWithLuminance = [](double l) {
        const double c = l <= 0.03928 / 12.92 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
        return rgb(c, c, c);
    };
    const Case cases[] = {
        {Qt::white, false, {SystemColor::Black, 0.88}},
        {Qt::white, true, {SystemColor::Black, 0.52}},
        {Qt::black, false, {SystemColor::White, 0.96}},
        {Qt::black, true, {SystemColor::White, 0.62}},
        {greyWithLuminance(0.50), false, {SystemColor::Label, 0.92}},
        {greyWithLuminance(0.50), true, {SystemColor::Label, 0.55}},
        {greyWithLuminance(0.585), false, {SystemColor::Black, 0.88}},
        {greyWithLuminance(0.575), false, {SystemColor::Label, 0.92}},
        {greyWithLuminance(0.425), false, {SystemColor::Label, 0.92}},
        {greyWithLuminance(0.415), false, {SystemColor::White, 0.96}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.background.name().toStdString());
        expectColour(ThemeContrast::readable(c.background, c.muted), c.expected);
    }
}

TEST(ThemeContrast, WorkedThemeValues)
{
    const FacePlateTheme& classic = FacePlateTheme::byId(QStringLiteral("classic"));
    const QColor sample = ThemeContrast::blend(classic.bodyTop, classic.bodyBottom, 0.45);
    EXPECT_NEAR(sample.redF(), 0.8355, 1e-4);
    EXPECT_NEAR(sample.greenF(), 0.69, 1e-4);
    EXPECT_NEAR(sample.blueF(), 0.135, 1e-4);
    EXPECT_NEAR(ThemeContrast::luminance(sample), 0.453, 1e-3);
    expectColour(classic.onBody(), {SystemColor::Label, 0.92});
    expectColour(classic.onBodyMuted(), {SystemColor::Label, 0.55});

    const FacePlateTheme& cyber = FacePlateTheme::byId(QStringLiteral("cyber"));
    EXPECT_NEAR(ThemeContrast::luminance(ThemeContrast::blend(cyber.bodyTop, cyber.bodyBottom, 0.45)), 0.009, 1e-3);
    expectColour(cyber.onBody(), {SystemColor::White, 0.96});

    const FacePlateTheme& christian = FacePlateTheme::byId(QStringLiteral("christian"));
    EXPECT_NEAR(ThemeContrast::luminance(ThemeContrast::blend(christian.bodyTop, christian.bodyBottom, 0.45)), 0.673,
                1e-3);
    expectColour(christian.onBody(), {SystemColor::Black, 0.88});
}

} // namespace
