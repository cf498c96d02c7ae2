#include "platform/user_defaults.h"
#include "support/artifacts.h"
#include "theme/contrast_pill.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "theme/theme_store.h"
#include "theme/themed_background_views.h"
#include "theme/themed_backgrounds.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

const char* const kThemes[] = {"classic", "cyber", "kitty"};

QImage canvas(const QSize& size, const QColor& fill = Qt::transparent)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// Colour of `over` composited on an opaque `under`, as 8-bit channels.
QColor over(const QColor& top, const QColor& under)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + under.redF() * (1 - a)),
                            float(top.greenF() * a + under.greenF() * (1 - a)),
                            float(top.blueF() * a + under.blueF() * (1 - a)));
}

bool close(QRgb actual, const QColor& expected, int tolerance = 3)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance && std::abs(qGreen(actual) - expected.green()) <= tolerance
           && std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

#define EXPECT_PIXEL(actual, expected) \
    EXPECT_TRUE(close(actual, expected)) << QColor(actual).name().toStdString() << " vs " << (expected).name().toStdString()

TEST(ThemedBackgrounds, FacePlateRunsCornerToCorner)
{
    for (const char* id : kThemes) {
        SCOPED_TRACE(id);
        const FacePlateTheme& theme = FacePlateTheme::byId(QString::fromLatin1(id));
        QImage image = canvas(QSize(402, 902));
        {
            QPainter painter(&image);
            ThemedBackgrounds::paintFacePlate(painter, QRectF(image.rect()), theme);
        }
        ASSERT_TRUE(saveArtifact(image, QStringLiteral("face_plate_%1").arg(QLatin1String(id)), QStringLiteral("theme")));
        EXPECT_PIXEL(image.pixel(0, 0), theme.bodyTop);
        EXPECT_PIXEL(image.pixel(401, 901), theme.bodyBottom);
        EXPECT_PIXEL(image.pixel(201, 451), ThemeContrast::blend(theme.bodyTop, theme.bodyBottom, 0.5));
    }
}

TEST(ThemedBackgrounds, FacePlateCarriesTheOverlayOnTop)
{
    const FacePlateTheme& theme = FacePlateTheme::byId(QStringLiteral("cyber"));
    QImage image = canvas(QSize(100, 200));
    QRectF seenRect;
    QString seenTheme;
    {
        QPainter painter(&image);
        ThemedBackgrounds::paintFacePlate(painter, QRectF(image.rect()), theme,
                                          [&](QPainter& p, const QRectF& rect, const FacePlateTheme& t) {
                                              seenRect = rect;
                                              seenTheme = t.id;
                                              p.fillRect(QRectF(40, 90, 20, 20), Qt::magenta);
                                          });
    }
    EXPECT_EQ(seenRect, QRectF(0, 0, 100, 200));
    EXPECT_EQ(seenTheme, QStringLiteral("cyber"));
    EXPECT_PIXEL(image.pixel(50, 100), QColor(Qt::magenta));
    EXPECT_PIXEL(image.pixel(0, 0), theme.bodyTop);
}

TEST(ThemedBackgrounds, ScreenTintsTheGroupedBackground)
{
    for (const char* id : kThemes) {
        SCOPED_TRACE(id);
        const FacePlateTheme& theme = FacePlateTheme::byId(QString::fromLatin1(id));
        QImage image = canvas(QSize(402, 902));
        {
            QPainter painter(&image);
            ThemedBackgrounds::paintScreen(painter, QRectF(image.rect()), theme);
        }
        ASSERT_TRUE(saveArtifact(image, QStringLiteral("screen_%1").arg(QLatin1String(id)), QStringLiteral("theme")));
        const QColor base = systemColor(SystemColor::GroupedBackground);
        EXPECT_PIXEL(image.pixel(200, 0), over(withOpacity(theme.bodyTop, 0.35), base));
        EXPECT_PIXEL(image.pixel(200, 901), over(withOpacity(theme.bodyBottom, 0.2), base));
        // Top to bottom only: one row is one colour.
        EXPECT_EQ(image.pixel(0, 300), image.pixel(401, 300));
    }
}

TEST(ThemedBackgrounds, ShellHasStrokeFaintFillAndAShadowBelow)
{
    const QMarginsF margins = ThemedBackgrounds::shellShadowMargins();
    EXPECT_GT(margins.bottom(), margins.top());
    for (const char* id : kThemes) {
        SCOPED_TRACE(id);
        const FacePlateTheme& theme = FacePlateTheme::byId(QString::fromLatin1(id));
        const QRectF shell(40, 40, 320, 400);
        QImage image = canvas(QSize(400, 480));
        {
            QPainter painter(&image);
            ThemedBackgrounds::paintShell(painter, shell, theme);
        }
        // For a person to look at: the shell as it stands on the face plate.
        QImage composite = canvas(image.size());
        {
            QPainter painter(&composite);
            ThemedBackgrounds::paintFacePlate(painter, QRectF(composite.rect()), theme);
            painter.drawImage(0, 0, image);
        }
        ASSERT_TRUE(saveArtifact(composite, QStringLiteral("shell_%1").arg(QLatin1String(id)), QStringLiteral("theme")));
        // Inside: black at 0.04 (plus the shadow showing through the faint fill).
        EXPECT_NEAR(qAlpha(image.pixel(200, 240)), 10 + 0.18 * 0.04 * 255, 3);
        // On the outline, mid-left: the shell stroke over the faint fill.
        const QRgb edge = image.pixel(40, 240);
        EXPECT_GE(qAlpha(edge), qRound(theme.shellStroke.alphaF() * 255) - 3);
        // The shadow (of a mostly clear shape, so faint) falls downwards:
        // present 6 points below the shell, absent 7 points above.
        EXPECT_GE(qAlpha(image.pixel(200, 446)), 2);
        EXPECT_EQ(qAlpha(image.pixel(200, 33)), 0);
        // Nothing far outside.
        EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0);
    }
}

TEST(ThemedBackgroundViews, RedrawWhenTheThemeChanges)
{
    UserDefaults().remove(QStringLiteral("tovrin.faceplate"));
    ThemeStore store;
    TovrinFacePlateBackground plate(&store);
    ThemedScreenBackground screen(&store);
    TovrinShellBackground shell(&store);
    for (QWidget* w : {static_cast<QWidget*>(&plate), static_cast<QWidget*>(&screen), static_cast<QWidget*>(&shell)})
        w->resize(200, 300);
    const auto shot = [](QWidget& w) {
        QImage image = canvas(w.size());
        w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    EXPECT_PIXEL(shot(plate).pixel(0, 0), store.current().bodyTop);
    const QImage shellBefore = shot(shell);
    const QImage screenBefore = shot(screen);

    store.setCurrent(FacePlateTheme::byId(QStringLiteral("cyber")));
    EXPECT_PIXEL(shot(plate).pixel(0, 0), FacePlateTheme::byId(QStringLiteral("cyber")).bodyTop);
    EXPECT_NE(shot(screen), screenBefore);
    EXPECT_NE(shot(shell), shellBefore);
    EXPECT_TRUE(plate.testAttribute(Qt::WA_TransparentForMouseEvents));
    UserDefaults().remove(QStringLiteral("tovrin.faceplate"));
}

TEST(ContrastPill, FillSitsNearTheSurfaceAndTextReads)
{
    const QColor tint = QColor::fromRgbF(0.9f, 0.1f, 0.1f);
    const QColor surface = Qt::white;
    const QColor fill = ContrastPill::fillColour(tint, surface);
    EXPECT_NEAR(fill.redF(), 0.9 + (1 - 0.9) * 0.68, 1e-4);
    EXPECT_NEAR(fill.greenF(), 0.1 + 0.9 * 0.68, 1e-4);

    const QSizeF size = ContrastPill::sizeFor(QStringLiteral("LIVE"));
    const QFontMetricsF metrics(ContrastPill::font());
    EXPECT_DOUBLE_EQ(size.width(), std::ceil(metrics.horizontalAdvance(QStringLiteral("LIVE")) + 16));
    EXPECT_DOUBLE_EQ(size.height(), std::ceil(metrics.height() + 8));
    EXPECT_TRUE(ContrastPill::font().bold());

    QImage image = canvas(size.toSize());
    {
        QPainter painter(&image);
        ContrastPill::paint(painter, QRectF(QPointF(0, 0), size), QStringLiteral("LIVE"), tint, surface);
    }
    // The capsule's middle, left of the text, is the fill; the corners are empty.
    EXPECT_PIXEL(image.pixel(int(size.height() / 2), int(size.height() / 2)), fill);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    // Text in the readable colour (black or the label colour on this light fill).
    bool sawDarkText = false;
    for (int x = 0; x < image.width(); ++x)
        sawDarkText = sawDarkText || qGray(image.pixel(x, image.height() / 2)) < 80;
    EXPECT_TRUE(sawDarkText);
}

} // namespace
