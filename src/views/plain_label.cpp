#include "views/plain_label.h"

#include "theme/system_colors.h"
#include "views/face_label.h"
#include "views/view_fonts.h"

#include <QLabel>

QLabel* plainLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent, bool wrap)
{
    QLabel* label = plainLabel(text, font, parent);
    setTextColour(label, colour);
    label->setWordWrap(wrap);
    return label;
}

QLabel* plainLabel(const QString& text, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

QLabel* makeErrorRow(QWidget* parent)
{
    QLabel* row = plainLabel(QString(), ViewFonts::font(17), systemColor(SystemColor::Red), parent, true);
    row->hide();
    return row;
}

void showErrorRow(QLabel* row, const std::optional<QString>& text)
{
    row->setText(text.value_or(QString()));
    row->setVisible(text.has_value());
}
