#include "theme/face_plate_patterns.h"
#include "theme/face_plate_theme.h"
#include "theme/flag_washes.h"
#include "theme/system_colors.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <set>

namespace {

struct Segments {
    std::vector<qreal> verticalX;
    std::vector<qreal> horizontalY;
};

// The grid's two-point segments, split by direction.
Segments segments(const QPainterPath& path)
{
    Segments out;
    for (int i = 0; i + 1 < path.elementCount(); i += 2) {
        const QPainterPath::Element a = path.elementAt(i);
        const QPainterPath::Element b = path.elementAt(i + 1);
        EXPECT_TRUE(a.isMoveTo());
        EXPECT_TRUE(b.isLineTo());
        if (a.x == b.x)
            out.verticalX.push_back(a.x);
        else
            out.horizontalY.push_back(a.y);
    }
    return out;
}

QImage paint(const QSize& size, const std::function<void(QPainter&, const QRectF&)>& draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRectF(image.rect()));
    return image;
}

// 8-bit alpha of an opacity, as a fill of that opacity lands on transparent.
int alphaOf(qreal opacity)
{
    return qRound(opacity * 255);
}

TEST(FacePlatePatterns, SoftNoiseLattice)
{
    const std::vector<QRectF> dots = SoftNoisePattern::dots(QSizeF(402, 902));
    EXPECT_EQ(dots.size(), 738u);
    std::set<qreal> rows;
    for (const QRectF& d : dots) {
        rows.insert(d.y());
        EXPECT_EQ(d.size(), QSizeF(4, 4));
    }
    EXPECT_EQ(rows.size(), 41u);
    EXPECT_EQ(*rows.rbegin(), 886);
    EXPECT_EQ(dots.front().topLeft(), QPointF(17, 6));
    EXPECT_EQ(dots[17].topLeft(), QPointF(391, 6));
    EXPECT_EQ(dots[18].topLeft(), QPointF(6, 28));
    EXPECT_EQ(dots[35].topLeft(), QPointF(380, 28));

    EXPECT_TRUE(SoftNoisePattern::dots(QSizeF(0, 902)).empty());
    EXPECT_TRUE(SoftNoisePattern::dots(QSizeF(402, 6)).empty());
    // Narrow: only the odd rows (starting at 6) fit a dot.
    for (const QRectF& d : SoftNoisePattern::dots(QSizeF(17, 60)))
        EXPECT_EQ(d.x(), 6);
    EXPECT_EQ(SoftNoisePattern::dots(QSizeF(17, 60)).size(), 1u);
}

TEST(FacePlatePatterns, GridLines)
{
    Segments full = segments(GridPattern{16}.path(QRectF(0, 0, 402, 902)));
    EXPECT_EQ(full.verticalX.size(), 26u);
    EXPECT_EQ(full.verticalX.back(), 400);
    EXPECT_EQ(full.horizontalY.size(), 57u);
    EXPECT_EQ(full.horizontalY.back(), 896);

    Segments narrow = segments(GridPattern{16}.path(QRectF(0, 0, 40, 10)));
    EXPECT_EQ(narrow.verticalX, (std::vector<qreal>{0, 16, 32}));
    EXPECT_EQ(narrow.horizontalY, (std::vector<qreal>{0}));

    EXPECT_TRUE(segments(GridPattern{16}.path(QRectF(0, 0, 0, 100))).verticalX.empty());
    EXPECT_TRUE(segments(GridPattern{16}.path(QRectF(0, 0, 100, 0))).horizontalY.empty());
}

TEST(FacePlatePatterns, StarsBuildingsWavesAndBlobs)
{
    const std::vector<QRectF> stars = StarFieldDots::stars(QSizeF(400, 1000));
    ASSERT_EQ(stars.size(), 15u);
    EXPECT_EQ(stars[0], QRectF(32, 120, 4, 4));
    // Top-left corner at the fractions, not the centre.
    EXPECT_EQ(stars[9], QRectF(368, 550, 3, 3));

    const std::vector<QRectF> buildings = CityPattern::buildings(QSizeF(400, 500));
    ASSERT_EQ(buildings.size(), 9u);
    for (const QRectF& b : buildings) {
        EXPECT_DOUBLE_EQ(b.bottom(), 500);
        EXPECT_DOUBLE_EQ(b.width(), 32);
    }
    EXPECT_DOUBLE_EQ(buildings[3].height(), 0.62 * 500);
    EXPECT_DOUBLE_EQ(buildings[8].x(), 0.88 * 400);

    const std::vector<QPainterPath> waves = OceanPattern::waves(QSizeF(400, 1000));
    ASSERT_EQ(waves.size(), 4u);
    EXPECT_EQ(waves[0].elementAt(0), QPointF(0, 350));
    EXPECT_EQ(waves[3].currentPosition(), QPointF(400, 806));

    // A frame lower than a blob's width caps its diameter; offsets stay in points.
    const auto blobs = CamoBlobs::blobs(QRectF(0, 0, 88, 56));
    ASSERT_EQ(blobs.size(), 3u);
    EXPECT_EQ(blobs[0].circle.size(), QSizeF(56, 56));
    EXPECT_EQ(blobs[0].circle.center(), QPointF(44 + 50, 28 - 20));
    const auto tall = CamoBlobs::blobs(QRectF(0, 0, 402, 902));
    EXPECT_EQ(tall[2].circle.size(), QSizeF(140, 140));
    EXPECT_EQ(tall[1].circle.center(), QPointF(201 - 60, 451 + 30));
}

TEST(FacePlatePatterns, SameFrameSamePicture)
{
    const auto draw = [](QPainter& p, const QRectF& r) {
        SpacePattern::paint(p, r);
        CityPattern::paint(p, r);
    };
    EXPECT_EQ(paint(QSize(120, 200), draw), paint(QSize(120, 200), draw));
}

TEST(FlagWashes, LayoutPerId)
{
    using L = CountryFlagWash::Layout;
    const struct {
        const char* id;
        L layout;
    } cases[] = {
        {"usa", L::ThreeVerticalBands},  {"uae", L::ThreeVerticalBands},   {"egypt", L::ThreeHorizontalBands},
        {"ukraine", L::TwoHorizontalBands}, {"spain", L::TwoHorizontalBands}, {"canada", L::MapleLeafColumns},
        {"bangladesh", L::Disc},         {"brazil", L::Diamond},            {"vietnam", L::FieldWithStar},
        {"saudi", L::PlainField},        {"northkorea", L::Ring},           {"greece", L::CrossOutline},
        {"iceland", L::CrossOutline},    {"southafrica", L::VerticalGradient}, {"peru", L::DefaultSheen},
        {"taiwan", L::DefaultSheen},     {"", L::DefaultSheen},             {"Japan", L::DefaultSheen},
        {" japan", L::DefaultSheen},     {"state_al", L::DefaultSheen},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountryFlagWash{QString::fromUtf8(c.id)}.layout(), c.layout) << c.id;

    int sheen = 0;
    for (const QString& id : FacePlateTheme::countryIds())
        sheen += CountryFlagWash{id}.layout() == L::DefaultSheen ? 1 : 0;
    EXPECT_EQ(sheen, 18);
}

TEST(FlagWashes, TricolourBands)
{
    const QString uae = QStringLiteral("uae");
    EXPECT_EQ(CountryFlagWash::tricolor(0, uae), systemColor(SystemColor::Red, 0.42));
    EXPECT_EQ(CountryFlagWash::tricolor(1, uae), systemColor(SystemColor::White, 0.32));
    EXPECT_EQ(CountryFlagWash::tricolor(2, uae), systemColor(SystemColor::Black, 0.42));
    EXPECT_EQ(CountryFlagWash::tricolor(1, QStringLiteral("russia")), systemColor(SystemColor::Blue, 0.42));
    EXPECT_EQ(CountryFlagWash::tricolor(2, QStringLiteral("ireland")), systemColor(SystemColor::Orange, 0.48));
    EXPECT_EQ(CountryFlagWash::tricolor(0, QStringLiteral("germany")), systemColor(SystemColor::Black, 0.48));

    // France: blue at the left edge, red at the right; Germany: black on top.
    const QImage france = paint(QSize(300, 90), [](QPainter& p, const QRectF& r) {
        CountryFlagWash{QStringLiteral("france")}.paint(p, r);
    });
    EXPECT_EQ(qAlpha(france.pixel(10, 45)), alphaOf(0.48));
    EXPECT_GT(qBlue(france.pixel(10, 45)), qRed(france.pixel(10, 45)));
    EXPECT_GT(qRed(france.pixel(290, 45)), qBlue(france.pixel(290, 45)));
    const QImage germany = paint(QSize(90, 300), [](QPainter& p, const QRectF& r) {
        CountryFlagWash{QStringLiteral("germany")}.paint(p, r);
    });
    EXPECT_EQ(qRed(germany.pixel(45, 10)), 0);
    EXPECT_EQ(qAlpha(germany.pixel(45, 10)), alphaOf(0.48));
}

TEST(FlagWashes, Shapes)
{
    const QPainterPath cross = CrossOverlay{0.1}.path(QRectF(0, 0, 200, 400));
    const QList<QPolygonF> bars = cross.toSubpathPolygons();
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(bars[0].boundingRect(), QRectF(90, 0, 20, 400));
    EXPECT_EQ(bars[1].boundingRect(), QRectF(0, 190, 200, 20));

    const QPainterPath diamond = DiamondShape::path(QRectF(10, 20, 100, 60));
    ASSERT_EQ(diamond.elementCount(), 5);
    EXPECT_EQ(QPointF(diamond.elementAt(0)), QPointF(60, 20));
    EXPECT_EQ(QPointF(diamond.elementAt(1)), QPointF(110, 50));
    EXPECT_EQ(QPointF(diamond.elementAt(2)), QPointF(60, 80));
    EXPECT_EQ(QPointF(diamond.elementAt(3)), QPointF(10, 50));
}

TEST(FlagWashes, SizesFollowTheWash)
{
    // Maple-leaf columns in a 402-point wash: 128.64, 144.72, 128.64.
    const QImage canada = paint(QSize(402, 300), [](QPainter& p, const QRectF& r) {
        CountryFlagWash{QStringLiteral("canada")}.paint(p, r);
    });
    EXPECT_EQ(qAlpha(canada.pixel(127, 5)), alphaOf(0.55));
    EXPECT_EQ(qAlpha(canada.pixel(130, 5)), alphaOf(0.65));
    EXPECT_EQ(qAlpha(canada.pixel(272, 5)), alphaOf(0.65));
    EXPECT_EQ(qAlpha(canada.pixel(275, 5)), alphaOf(0.55));

    // A wide wash: the disc's diameter is the height, not 0.3 × w.
    const QImage japan = paint(QSize(600, 100), [](QPainter& p, const QRectF& r) {
        CountryFlagWash{QStringLiteral("japan")}.paint(p, r);
    });
    EXPECT_GT(qRed(japan.pixel(300, 50)), qGreen(japan.pixel(300, 50)) + 50);
    EXPECT_GT(qRed(japan.pixel(300 + 45, 50)), qGreen(japan.pixel(300 + 45, 50)) + 50);
    EXPECT_EQ(qAlpha(japan.pixel(300 + 60, 50)), alphaOf(0.35));

    // The state band stays 90 points wide at every size.
    for (const int width : {402, 200, 88}) {
        const QImage state = paint(QSize(width, 140), [](QPainter& p, const QRectF& r) { USStateFlagWash::paint(p, r); });
        EXPECT_GT(qBlue(state.pixel(std::min(88, width - 1), 10)), qGreen(state.pixel(std::min(88, width - 1), 10)));
        if (width > 92)
            EXPECT_EQ(state.pixel(92, 10), paint(QSize(width, 140), [](QPainter& p, const QRectF& r) {
                                               p.fillRect(r, systemColor(SystemColor::Red, 0.22));
                                           }).pixel(92, 10));
    }

    // China alone carries the star.
    const auto field = [](const char* id) {
        return paint(QSize(200, 300), [id](QPainter& p, const QRectF& r) {
            CountryFlagWash{QString::fromLatin1(id)}.paint(p, r);
        });
    };
    EXPECT_EQ(field("vietnam"), field("turkey"));
    EXPECT_NE(field("china"), field("vietnam"));

    // The default sheen is clear in the corners and white in the middle.
    const QImage sheen = field("peru");
    EXPECT_EQ(qAlpha(sheen.pixel(0, 0)), 0);
    EXPECT_NEAR(qAlpha(sheen.pixel(100, 150)), alphaOf(0.14), 2);
}

} // namespace
