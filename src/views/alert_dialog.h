#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A small alert: a bold title, a plain-text message (server text is never
// read as markup) and buttons in a row. Opened with open(); any button closes it.
class AlertDialog : public QDialog {
    Q_OBJECT

public:
    AlertDialog(const QString& title, QWidget* parent = nullptr);

    void setMessage(const QString& message);
    QString message() const;
    QString title() const;
    // Adds a button that closes the alert; `cancel` makes it the Escape button.
    QPushButton* addButton(const QString& text, bool cancel = false);
    QPushButton* button(const QString& text) const;

private:
    QLabel* title_;
    QLabel* message_;
    QLayout* buttons_;
};
