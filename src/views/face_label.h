#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QWidget;

// The face's text lines: plain text (server text is never read as markup),
// centred, in a given font; and the one way their colour is set.
QLabel* faceLabel(QWidget* parent, const QFont& font, bool wrap = false);
void setTextColour(QWidget* widget, const QColor& colour);
