#pragma once

#include <QWidget>

class QLabel;

// A screen that is not built yet: its title on a plain page, so that every
// tab and sheet of the window opens and closes.
class PlaceholderScreen : public QWidget {
    Q_OBJECT
public:
    explicit PlaceholderScreen(const QString& title, QWidget* parent = nullptr);

    QString title() const;

private:
    QLabel* title_;
};
