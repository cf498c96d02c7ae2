#pragma once

#include "theme/art_cache_widget.h"
#include "theme/themed_backgrounds.h"

// The themed backdrops as widgets to stack behind a screen's content. Each
// reads the store's current theme and redraws when it changes; none takes
// input (mouse events pass through).

// The radio screen's full face plate, with the art overlay once one is set.
class TovrinFacePlateBackground : public ArtCacheWidget {
    Q_OBJECT

public:
    explicit TovrinFacePlateBackground(ThemeStore* store, QWidget* parent = nullptr);
    void setArtOverlay(ThemeArtPainter overlay);

protected:
    void paintArt(QPainter& painter, const QRectF& rect) override;

private:
    ThemeArtPainter artOverlay_;
};

// The chat screen's tinted backdrop.
class ThemedScreenBackground : public ArtCacheWidget {
    Q_OBJECT

public:
    explicit ThemedScreenBackground(ThemeStore* store, QWidget* parent = nullptr);

protected:
    void paintArt(QPainter& painter, const QRectF& rect) override;
};

// The rounded radio shell. The shell fills the contents rectangle; the
// contents margins start at the shadow's reach so the shadow stays visible
// (set them to zero to let the shell fill the widget and clip the shadow).
class ThemedShellBackground : public ArtCacheWidget {
    Q_OBJECT

public:
    explicit ThemedShellBackground(ThemeStore* store, QWidget* parent = nullptr);

protected:
    void paintArt(QPainter& painter, const QRectF& rect) override;
};

// The radio shell's back layer: one ThemedShellBackground filling it.
class TovrinShellBackground : public QWidget {
    Q_OBJECT

public:
    explicit TovrinShellBackground(ThemeStore* store, QWidget* parent = nullptr);
    ThemedShellBackground* shell() const { return shell_; }

private:
    ThemedShellBackground* shell_;
};
