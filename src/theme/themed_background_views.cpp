#include "theme/themed_background_views.h"

#include "theme/theme_store.h"

#include <QVBoxLayout>

TovrinFacePlateBackground::TovrinFacePlateBackground(ThemeStore* store, QWidget* parent)
    : ArtCacheWidget(store, parent)
{
}

void TovrinFacePlateBackground::setArtOverlay(ThemeArtPainter overlay)
{
    artOverlay_ = std::move(overlay);
    invalidateArt();
}

void TovrinFacePlateBackground::paintArt(QPainter& painter, const QRectF& rect)
{
    ThemedBackgrounds::paintFacePlate(painter, rect, store()->current(), artOverlay_);
}

ThemedScreenBackground::ThemedScreenBackground(ThemeStore* store, QWidget* parent)
    : ArtCacheWidget(store, parent)
{
}

void ThemedScreenBackground::paintArt(QPainter& painter, const QRectF& rect)
{
    ThemedBackgrounds::paintScreen(painter, rect, store()->current());
}

ThemedShellBackground::ThemedShellBackground(ThemeStore* store, QWidget* parent)
    : ArtCacheWidget(store, parent)
{
    setContentsMargins(ThemedBackgrounds::shellShadowMargins().toMargins());
}

void ThemedShellBackground::paintArt(QPainter& painter, const QRectF&)
{
    ThemedBackgrounds::paintShell(painter, QRectF(contentsRect()), store()->current());
}

TovrinShellBackground::TovrinShellBackground(ThemeStore* store, QWidget* parent)
    : QWidget(parent)
    , shell_(new ThemedShellBackground(store, this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(shell_);
}
