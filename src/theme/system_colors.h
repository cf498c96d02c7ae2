#pragma once

#include <QColor>

// The platform's named colours, one table for every "system" colour a screen
// asks for. Linux has no such palette, so these are the light-appearance sRGB
// values of the platform the design was drawn on; everything that says
// "system red", "primary label" or "grouped background" reads them here.
enum class SystemColor {
    Red,                // #FF3B30
    Orange,             // #FF9500
    Yellow,             // #FFCC00
    Green,              // #34C759
    Blue,               // #007AFF
    Pink,               // #FF2D55
    Purple,             // #AF52DE
    White,              // #FFFFFF
    Black,              // #000000
    Clear,              // #000000 at opacity 0
    Label,              // primary label: #000000 (light appearance)
    GroupedBackground,  // #F2F2F7
    Gray,               // #8E8E93
    SecondaryLabel,     // #3C3C43 at opacity 0.6
    SystemBackground,   // #FFFFFF (light appearance)
    TertiarySystemFill, // #767680 at opacity 0.12
};

// The named colour at full strength.
QColor systemColor(SystemColor which);

// The named colour with its opacity multiplied by `opacity` ("c × a").
QColor systemColor(SystemColor which, qreal opacity);

// Any colour with its opacity multiplied by `opacity`, clamped to 0–1.
QColor withOpacity(const QColor& colour, qreal opacity);
