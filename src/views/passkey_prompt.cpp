#include "views/passkey_prompt.h"

#include "services/radio_session.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasskeyPrompt::PasskeyPrompt(QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(this)), join_(new QPushButton(QStringLiteral("Join"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(titleText());
    setWindowModality(Qt::WindowModal);

    auto* title = new QLabel(titleText(), this);
    title->setTextFormat(Qt::PlainText);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto* message = new QLabel(messageText(), this);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignCenter);

    field_->setPlaceholderText(QStringLiteral("Passkey"));
    field_->setAccessibleName(QStringLiteral("Passkey"));
    field_->setEchoMode(QLineEdit::Password);

    cancel_->setAutoDefault(false);
    join_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel_);
    buttons->addWidget(join_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(message);
    layout->addWidget(field_);
    layout->addLayout(buttons);

    connect(join_, &QPushButton::clicked, this, [this] {
        const QString passkey = field_->text();
        accept();
        Q_EMIT joinRequested(passkey);
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, &PasskeyPrompt::cancelled);
    // A closed prompt keeps its field as its window's focus widget, and Return
    // would still count as typing: give the keys back to the radio.
    connect(this, &QDialog::finished, field_, [this] { field_->clearFocus(); });
}

QString PasskeyPrompt::titleText()
{
    return QStringLiteral("Channel Passkey");
}

QString PasskeyPrompt::messageText()
{
    return QStringLiteral("This channel is locked. Enter the passkey to join.");
}

QString PasskeyPrompt::refusalText()
{
    return QStringLiteral("This channel requires a passkey.");
}

bool PasskeyPrompt::refusedForPasskey(const RadioSession& radio)
{
    return radio.connectionState() == RadioSession::ConnectionState::idle && radio.lastError() == refusalText();
}

void PasskeyPrompt::present()
{
    field_->clear();
    open();
    field_->setFocus(Qt::PopupFocusReason);
}
