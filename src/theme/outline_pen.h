#pragma once

#include <QPen>

// The stroke every face-plate outline uses: centred on the outline, butt caps,
// mitre joins with limit 10, no dash.
inline QPen outlinePen(const QColor& colour, qreal width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}
