#include "theme/face_plate_theme.h"

#include "theme/theme_contrast.h"

namespace {

// A point of the body slightly nearer the top colour than the middle.
QColor bodySample(const FacePlateTheme& theme)
{
    return ThemeContrast::blend(theme.bodyTop, theme.bodyBottom, 0.45);
}

} // namespace

QColor FacePlateTheme::onBody() const
{
    return ThemeContrast::readable(bodySample(*this), false);
}

QColor FacePlateTheme::onBodyMuted() const
{
    return ThemeContrast::readable(bodySample(*this), true);
}

const FacePlateTheme& FacePlateTheme::byId(const QString& id)
{
    const std::vector<FacePlateTheme>& all = catalog();
    for (const FacePlateTheme& theme : all) {
        if (theme.id == id)
            return theme;
    }
    return all.front();
}
