#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

// A sheet shown inside the fixed window: it covers the whole window, dims what lies
// behind and slides a rounded panel with a title and a close control over the
// bottom of it. Escape and the close control dismiss it. Only one owner
// decides whether it is shown: dismissal is reported, and the owner drops its flag.
class SheetOverlay : public QWidget {
    Q_OBJECT
public:
    SheetOverlay(const QString& title, QWidget* host);

    QString title() const;
    // The panel's content area; the sheet takes ownership of what is placed here.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

    void present();
    // Hides the sheet and emits dismissed(); does nothing when already hidden.
    void dismiss();

    QToolButton* closeButton() const { return closeButton_; }

Q_SIGNALS:
    void dismissed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fitHost();

    QWidget* panel_;
    QLabel* title_;
    QToolButton* closeButton_;
    QVBoxLayout* contentLayout_;
    QPointer<QWidget> content_;
};
