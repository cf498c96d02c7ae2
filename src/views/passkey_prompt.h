#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class RadioSession;

// The alert that asks for a locked channel's passkey: a secure "Passkey"
// field, "Join" and "Cancel". Opened with open(); either button closes it.
class PasskeyPrompt : public QDialog {
    Q_OBJECT

public:
    explicit PasskeyPrompt(QWidget* parent = nullptr);

    static QString titleText();
    static QString messageText();
    // The radio's text for a join refused for want of a passkey.
    static QString refusalText();
    // The radio's last join ended refused for want of a passkey; a join still
    // running does not count.
    static bool refusedForPasskey(const RadioSession& radio);

    QLineEdit* field() const { return field_; }
    QPushButton* joinButton() const { return join_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Empties the field and opens the prompt.
    void present();

Q_SIGNALS:
    // "Join": the passkey exactly as typed, blanks and all.
    void joinRequested(const QString& passkey);
    // "Cancel", Escape or the window's close.
    void cancelled();

private:
    QLineEdit* field_;
    QPushButton* join_;
    QPushButton* cancel_;
};
