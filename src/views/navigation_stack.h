#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
class QToolButton;

// A navigation stack inside one screen: a bar with the top page's title
// (its window title) and a back control, over the pages. A pushed page that
// declares a dismissRequested() signal is popped when it emits it; a page
// whose "ownsNavigationBar" property is true draws its own bar.
// Popped pages are deleted. GUI thread.
class NavigationStack : public QWidget {
    Q_OBJECT
public:
    explicit NavigationStack(QWidget* root, QWidget* parent = nullptr);

    // The stack that shows `widget`, or none.
    static NavigationStack* of(QWidget* widget);
    // Pushes `page` on the stack that shows `from`; false (and `page` deleted) when there is none.
    static bool pushFrom(QWidget* from, QWidget* page);

    void push(QWidget* page);
    int depth() const;
    QWidget* top() const;
    QToolButton* backButton() const { return back_; }
    QString title() const;

public Q_SLOTS:
    // Pops the top page; the root stays.
    void pop();

Q_SIGNALS:
    void depthChanged(int depth);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void popPage(QWidget* page);
    void updateBar();

    QWidget* bar_;
    QToolButton* back_;
    QLabel* title_;
    QStackedWidget* pages_;
};
