#pragma once

#include "theme/face_plate_theme.h"

#include <QMarginsF>
#include <QRectF>

#include <functional>

class QPainter;

// A decorative layer drawn over a theme's body (the art overlay), given the
// frame to fill and the theme.
using ThemeArtPainter = std::function<void(QPainter&, const QRectF&, const FacePlateTheme&)>;

// The themed backdrops behind the radio screen, the chat screen and the radio
// shell. Stateless drawing: any painter, any frame, any theme.
namespace ThemedBackgrounds {

// The full-screen face plate: the body gradient from the top-left to the
// bottom-right corner, with the art overlay (when given) over it.
void paintFacePlate(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme,
                    const ThemeArtPainter& artOverlay = {});

// A soft tint of the theme, top to bottom, over the grouped background.
void paintScreen(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme);

// The rounded radio shell filling `shellRect`: a faint fill and the theme's
// shell stroke over a drop shadow that reaches shellShadowMargins() beyond it.
void paintShell(QPainter& painter, const QRectF& shellRect, const FacePlateTheme& theme);
QMarginsF shellShadowMargins();

} // namespace ThemedBackgrounds
