#include "support/artifacts.h"
#include "theme/speaker_grille.h"
#include "theme/speaker_grille_painter.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>

namespace {

TEST(SpeakerGrilleLayout, SizesFollowTheScale)
{
    struct Case {
        bool expanded;
        qreal scale;
        qreal hole, rim, shadow, rowSpacing, holeSpacing, paddingX, paddingY, radius, border;
    };
    const Case cases[] = {
        {false, 1.0, 7, 0.5, 0.49, 7, 7, 20, 6, 10, 1},
        {true, 1.0, 7, 0.5, 0.49, 6, 5, 14, 10, 10, 1},
        {false, 0.5, 7, 0.5, 0.49, 3.5, 3.5, 10, 3, 5, 1},
        {true, 0.5, 7, 0.5, 0.49, 3, 2.5, 7, 5, 5, 1},
        {false, 2.0, 14, 0.98, 0.98, 14, 14, 40, 12, 20, 2},
        {true, 2.0, 14, 0.98, 0.98, 12, 10, 28, 20, 20, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.expanded ? "expanded " : "compact ") << c.scale);
        const auto layout = SpeakerGrilleLayout::compute(QRectF(0, 0, 600, 200), c.expanded, c.scale);
        EXPECT_DOUBLE_EQ(layout.holeSize, c.hole);
        const SpeakerHole hole{layout.holeSize, false};
        EXPECT_NEAR(hole.rimWidth(), c.rim, 1e-9);
        EXPECT_NEAR(hole.shadowRadius(), c.shadow, 1e-9);
        EXPECT_NEAR(hole.shadowDrop(), c.shadow, 1e-9);
        EXPECT_DOUBLE_EQ(layout.rowSpacing, c.rowSpacing);
        EXPECT_DOUBLE_EQ(layout.holeSpacing, c.holeSpacing);
        EXPECT_DOUBLE_EQ(layout.paddingX, c.paddingX);
        EXPECT_DOUBLE_EQ(layout.paddingY, c.paddingY);
        EXPECT_DOUBLE_EQ(layout.plateRadius, c.radius);
        EXPECT_DOUBLE_EQ(layout.plateBorder, c.border);
        // Neighbouring holes stand exactly the spacing apart.
        EXPECT_NEAR(layout.holes[1].frame.left() - layout.holes[0].frame.right(), c.holeSpacing, 1e-9);
        const auto& below = layout.holes[std::size_t(layout.holesPerRow)];
        EXPECT_NEAR(below.frame.top() - layout.holes[0].frame.bottom(), c.rowSpacing, 1e-9);
    }
}

TEST(SpeakerGrilleLayout, LitHolesFormDiagonals)
{
    const auto compact = SpeakerGrilleLayout::compute(QRectF(0, 0, 300, 60), false, 1);
    ASSERT_EQ(compact.holes.size(), 36u);
    const std::vector<int> litColumns[] = {{0, 3, 6, 9}, {2, 5, 8, 11}, {1, 4, 7, 10}};
    int lit = 0;
    for (const auto& hole : compact.holes) {
        const auto& want = litColumns[hole.row];
        EXPECT_EQ(hole.lit, std::find(want.begin(), want.end(), hole.column) != want.end());
        lit += hole.lit ? 1 : 0;
    }
    EXPECT_EQ(lit, 12);

    const auto expanded = SpeakerGrilleLayout::compute(QRectF(0, 0, 300, 80), true, 1);
    ASSERT_EQ(expanded.holes.size(), 72u);
    int expandedLit = 0;
    for (const auto& hole : expanded.holes) {
        expandedLit += hole.lit ? 1 : 0;
        if (hole.row == 3)
            EXPECT_EQ(hole.lit, expanded.holes[std::size_t(hole.column)].lit);
    }
    EXPECT_EQ(expandedLit, 24);
    EXPECT_TRUE(SpeakerGrilleLayout::isLit(0, 0));
    EXPECT_FALSE(SpeakerGrilleLayout::isLit(0, 1));
    EXPECT_TRUE(SpeakerGrilleLayout::isLit(1, 2));
}

TEST(SpeakerGrilleLayout, ExtraRoomKeepsTheGridCentred)
{
    const QSizeF ideal = SpeakerGrilleLayout::idealSize(false, 1);
    EXPECT_DOUBLE_EQ(ideal.width(), 12 * 7 + 11 * 7 + 40);
    EXPECT_DOUBLE_EQ(ideal.height(), 3 * 7 + 2 * 7 + 12);
    const QRectF frame(10, 20, ideal.width() + 100, ideal.height() + 60);
    const auto layout = SpeakerGrilleLayout::compute(frame, false, 1);
    EXPECT_EQ(layout.plate, frame);
    QRectF grid;
    for (const auto& hole : layout.holes)
        grid = grid.united(hole.frame);
    EXPECT_NEAR(grid.center().x(), frame.center().x(), 1e-9);
    EXPECT_NEAR(grid.center().y(), frame.center().y(), 1e-9);
    EXPECT_NEAR(grid.width(), ideal.width() - 40, 1e-9);
}

// Renders the grille at 4 device pixels per point so even the half-scale gaps
// are several pixels wide, over white.
QImage render(bool expanded, qreal scale, const QSizeF& size)
{
    constexpr qreal kRatio = 4;
    QImage image((size * kRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    SpeakerGrillePainter::paint(painter, QRectF(QPointF(0, 0), size), expanded, scale);
    return image;
}

int greyAt(const QImage& image, QPointF point)
{
    const QPoint px = (point * image.devicePixelRatio()).toPoint();
    return qGray(image.pixel(px));
}

TEST(SpeakerGrilleRendering, HolesAndLitPatternAtEachScale)
{
    for (const qreal scale : {0.5, 1.0, 2.0}) {
        for (const bool expanded : {false, true}) {
            SCOPED_TRACE(testing::Message() << (expanded ? "expanded " : "compact ") << scale);
            const QSizeF size = SpeakerGrilleLayout::idealSize(expanded, scale) + QSizeF(8, 8);
            const QImage image = render(expanded, scale, size);
            const QString name = QStringLiteral("grille_%1_%2").arg(expanded ? "expanded" : "compact").arg(scale);
            ASSERT_TRUE(saveArtifact(image, name, QStringLiteral("theme")));
            const auto layout = SpeakerGrilleLayout::compute(QRectF(QPointF(0, 0), size), expanded, scale);

            // The plate between holes: black at 0.18 over white.
            const int plate = greyAt(image, QPointF(size.width() / 2, 2 * scale + 1.5));
            EXPECT_NEAR(plate, 209, 3);

            // Count dark runs along each row's centre line.
            for (int row = 0; row < layout.rows; ++row) {
                const qreal y = layout.holes[std::size_t(row * layout.holesPerRow)].frame.center().y();
                int runs = 0;
                bool inHole = false;
                for (int x = 0; x < image.width(); ++x) {
                    const bool dark = qGray(image.pixel(x, int(y * image.devicePixelRatio()))) < 150;
                    runs += dark && !inHole ? 1 : 0;
                    inHole = dark;
                }
                EXPECT_EQ(runs, layout.holesPerRow) << "row " << row;
            }

            // Two shades of hole core, one per kind: lit cores are the darker
            // (their gradient starts at 0.75 instead of 0.55).
            std::vector<int> cores;
            for (const auto& hole : layout.holes)
                cores.push_back(greyAt(image, hole.frame.topLeft() + QPointF(0.35, 0.35) * hole.frame.width()));
            const auto [darkest, lightest] = std::minmax_element(cores.begin(), cores.end());
            EXPECT_GT(*lightest - *darkest, 15);
            const int split = (*darkest + *lightest) / 2;
            int litCount = 0;
            for (std::size_t i = 0; i < cores.size(); ++i) {
                const bool looksLit = cores[i] < split;
                EXPECT_EQ(looksLit, layout.holes[i].lit) << layout.holes[i].row << "," << layout.holes[i].column;
                EXPECT_NEAR(cores[i], looksLit ? *darkest : *lightest, 3);
                litCount += looksLit ? 1 : 0;
            }
            EXPECT_EQ(litCount, expanded ? 24 : 12);
        }
    }
}

TEST(SpeakerGrilleWidget, SizeHintIsTheGrid)
{
    SpeakerGrille grille(true, 1);
    EXPECT_EQ(grille.sizeHint(), QSize(18 * 7 + 17 * 5 + 28, 4 * 7 + 3 * 6 + 20));
    grille.resize(400, 90);
    QImage shot(grille.size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::transparent);
    grille.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(shot.pixel(200, 2)), 46);  // black at 0.18 on a transparent widget
    grille.setLayoutScale(2);
    EXPECT_EQ(grille.sizeHint(), QSize(18 * 14 + 17 * 10 + 56, 4 * 14 + 3 * 12 + 40));
}

} // namespace
