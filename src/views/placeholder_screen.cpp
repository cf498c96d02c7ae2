#include "views/placeholder_screen.h"

#include <QLabel>
#include <QVBoxLayout>

PlaceholderScreen::PlaceholderScreen(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this))
{
    setObjectName(title);
    // The window itself is transparent: the page paints its own background.
    setAutoFillBackground(true);
    title_->setTextFormat(Qt::PlainText);
    title_->setAlignment(Qt::AlignHCenter);
    QFont font = title_->font();
    font.setPixelSize(22);
    font.setWeight(QFont::Bold);
    title_->setFont(font);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 24, 16, 16);
    layout->addWidget(title_);
    layout->addStretch(1);
}

QString PlaceholderScreen::title() const
{
    return title_->text();
}
