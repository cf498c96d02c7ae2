#pragma once

#include <QColor>

// Which text colour stays readable on a theme colour. Pure functions: any
// thread. A colour Qt cannot express in sRGB components (an invalid QColor)
// counts as black with zero opacity.
namespace ThemeContrast {

// Relative luminance (WCAG, 0.03928 threshold), 0 for black to 1 for white.
// Opacity is ignored.
double luminance(const QColor& colour);

// The colour the fraction t of the way from a to b, per channel including
// opacity. t is not clamped: outside 0–1 the colour channels extrapolate
// (into extended sRGB); opacity stays within 0–1, the only range a colour has.
QColor blend(const QColor& a, const QColor& b, double t);

// Black, the primary label colour or white, at a fixed opacity, whichever
// reads on `background`.
QColor readable(const QColor& background, bool muted);

} // namespace ThemeContrast
