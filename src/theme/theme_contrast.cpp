#include "theme/theme_contrast.h"

#include "theme/system_colors.h"

#include <algorithm>
#include <cmath>

namespace {

struct Components {
    double r = 0, g = 0, b = 0, a = 0;
};

Components componentsOf(const QColor& colour)
{
    if (!colour.isValid())
        return {};
    // Extended sRGB keeps components outside 0–1 that a blend extrapolated.
    const QColor c = colour.spec() == QColor::ExtendedRgb ? colour : colour.toRgb();
    return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

double linearised(double c)
{
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

namespace ThemeContrast {

double luminance(const QColor& colour)
{
    const Components c = componentsOf(colour);
    return 0.2126 * linearised(c.r) + 0.7152 * linearised(c.g) + 0.0722 * linearised(c.b);
}

QColor blend(const QColor& a, const QColor& b, double t)
{
    const Components x = componentsOf(a);
    const Components y = componentsOf(b);
    const auto mix = [t](double from, double to) { return from + (to - from) * t; };
    return QColor::fromRgbF(float(mix(x.r, y.r)), float(mix(x.g, y.g)), float(mix(x.b, y.b)),
                            float(std::clamp(mix(x.a, y.a), 0.0, 1.0)));
}

QColor readable(const QColor& background, bool muted)
{
    const double l = luminance(background);
    if (l > 0.58)
        return systemColor(SystemColor::Black, muted ? 0.52 : 0.88);
    if (l > 0.42)
        return systemColor(SystemColor::Label, muted ? 0.55 : 0.92);
    return systemColor(SystemColor::White, muted ? 0.62 : 0.96);
}

} // namespace ThemeContrast
