#pragma once

#include <QRectF>
#include <QSizeF>

#include <vector>

class QPainter;

// One round speaker hole of diameter `size`; lit holes show a lighter core.
struct SpeakerHole {
    qreal size = 7;
    bool isLit = false;

    qreal rimWidth() const;      // the faint white rim
    qreal shadowRadius() const;  // blur of the shadow under the hole
    qreal shadowDrop() const;    // how far the shadow falls below it

    // The hole without its shadow, filling `frame` (size × size).
    void paint(QPainter& painter, const QRectF& frame) const;
};

// Where everything of a speaker grille goes inside a frame. `expanded` is the
// large grid of the radio shell; `scale` multiplies the design sizes (holes
// never shrink below 7 points).
struct SpeakerGrilleLayout {
    struct Hole {
        int row;
        int column;
        QRectF frame;
        bool lit;
    };

    int rows = 0;
    int holesPerRow = 0;
    qreal rowSpacing = 0;
    qreal holeSpacing = 0;
    qreal paddingX = 0;
    qreal paddingY = 0;
    qreal holeSize = 0;
    QRectF plate;
    qreal plateRadius = 0;
    qreal plateBorder = 0;
    std::vector<Hole> holes;

    static SpeakerGrilleLayout compute(const QRectF& frame, bool expanded, qreal scale);
    // Lit holes run in diagonals, every third.
    static bool isLit(int row, int column) { return (row + column) % 3 == 0; }
    // The size the grid needs: holes, spacings and padding.
    static QSizeF idealSize(bool expanded, qreal scale);
};

namespace SpeakerGrillePainter {

// The plate filling `frame` with the grid of holes centred in it.
void paint(QPainter& painter, const QRectF& frame, bool expanded, qreal scale);

} // namespace SpeakerGrillePainter
