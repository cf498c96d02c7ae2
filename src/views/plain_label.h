#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// A label that shows its text verbatim (never as rich text) in one font and colour.
QLabel* plainLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent);
