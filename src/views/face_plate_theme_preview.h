#pragma once

#include "theme/art_cache_widget.h"
#include "theme/face_plate_theme.h"

#include <QRectF>

class QPainter;

// A face plate in miniature: the body gradient and the theme's art in a
// rounded card, a caption band with the theme's name and emoji along the
// bottom, and the shell's border. Compact in the picker's rows (88 × 56);
// the full card has rounder corners and larger type. The caller sizes it.
class FacePlateThemePreview : public ArtCacheWidget {
    Q_OBJECT

public:
    FacePlateThemePreview(const FacePlateTheme& theme, bool compact, QWidget* parent = nullptr);

    const FacePlateTheme& theme() const { return theme_; }
    bool compact() const { return compact_; }
    QSize sizeHint() const override;

    static qreal cornerRadius(bool compact) { return compact ? 10 : 14; }
    static void paint(QPainter& painter, const QRectF& rect, const FacePlateTheme& theme, bool compact);

protected:
    void paintArt(QPainter& painter, const QRectF& rect) override;

private:
    FacePlateTheme theme_;
    bool compact_;
};
