#include "views/alert_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AlertDialog::AlertDialog(const QString& title, QWidget* parent)
    : QDialog(parent), title_(new QLabel(title, this)), message_(new QLabel(this))
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    title_->setTextFormat(Qt::PlainText);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setAlignment(Qt::AlignCenter);
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    buttons_ = buttons;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(message_);
    layout->addLayout(buttons);
}

void AlertDialog::setMessage(const QString& message)
{
    message_->setText(message);
}

QString AlertDialog::message() const
{
    return message_->text();
}

QString AlertDialog::title() const
{
    return title_->text();
}

QPushButton* AlertDialog::addButton(const QString& text, bool cancel)
{
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    buttons_->addWidget(button);
    connect(button, &QPushButton::clicked, this, cancel ? &QDialog::reject : &QDialog::accept);
    return button;
}

QPushButton* AlertDialog::button(const QString& text) const
{
    for (QPushButton* candidate : findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}
