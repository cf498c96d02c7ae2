#include "theme/system_colors.h"

#include <algorithm>
#include <array>

namespace {

struct NamedColour {
    SystemColor which;
    QRgb argb;
};

constexpr std::array<NamedColour, 16> kNamedColours{{
    {SystemColor::Red, qRgba(255, 59, 48, 255)},
    {SystemColor::Orange, qRgba(255, 149, 0, 255)},
    {SystemColor::Yellow, qRgba(255, 204, 0, 255)},
    {SystemColor::Green, qRgba(52, 199, 89, 255)},
    {SystemColor::Blue, qRgba(0, 122, 255, 255)},
    {SystemColor::Pink, qRgba(255, 45, 85, 255)},
    {SystemColor::Purple, qRgba(175, 82, 222, 255)},
    {SystemColor::White, qRgba(255, 255, 255, 255)},
    {SystemColor::Black, qRgba(0, 0, 0, 255)},
    {SystemColor::Clear, qRgba(0, 0, 0, 0)},
    {SystemColor::Label, qRgba(0, 0, 0, 255)},
    {SystemColor::GroupedBackground, qRgba(242, 242, 247, 255)},
    {SystemColor::Gray, qRgba(142, 142, 147, 255)},
    {SystemColor::SecondaryLabel, qRgba(60, 60, 67, 153)},
    {SystemColor::SystemBackground, qRgba(255, 255, 255, 255)},
    {SystemColor::TertiarySystemFill, qRgba(118, 118, 128, 31)},
}};

} // namespace

QColor systemColor(SystemColor which)
{
    for (const NamedColour& entry : kNamedColours) {
        if (entry.which == which)
            return QColor::fromRgba(entry.argb);
    }
    return QColor(Qt::black);
}

QColor systemColor(SystemColor which, qreal opacity)
{
    return withOpacity(systemColor(which), opacity);
}

QColor withOpacity(const QColor& colour, qreal opacity)
{
    QColor out = colour;
    out.setAlphaF(float(std::clamp(colour.alphaF() * opacity, 0.0, 1.0)));
    return out;
}
