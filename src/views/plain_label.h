#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class QLabel;
class QWidget;

// A label that shows its text verbatim (never as rich text) in one font and
// colour; with `wrap` it breaks its lines at words.
QLabel* plainLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent, bool wrap = false);
// The same for a label whose owner sets its colour, as the theme changes.
QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent);

// A form's error line: red, wrapping, hidden until there is an error.
QLabel* makeErrorRow(QWidget* parent);
// Shows the error's text in its row, or hides the row when there is none.
void showErrorRow(QLabel* row, const std::optional<QString>& text);
