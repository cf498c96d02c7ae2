#pragma once

#include "views/browse_lists.h"

#include <QAbstractButton>

class QAction;
class ThemeStore;

// What one row of the browse list shows.
struct BrowseRowContent {
    Channel channel;
    QString title;
    bool showOwner = false;  // the owner's radio ID line (Users tab)
    std::vector<BrowseBadge> badges;
    qint64 liveUserCount = 0;
    bool allowed = true;     // whether the row offers joining
};

// One channel of the browse list: frequency, title and (on the Users tab) the
// owner's radio ID on the left, the kind and policy pills and the people count
// on the right. The whole row is one button; its context menu offers "Join
// channel" and "Add to quick bar" only when the channel may be joined.
class BrowseChannelRow : public QAbstractButton {
    Q_OBJECT

public:
    BrowseChannelRow(ThemeStore* theme, BrowseRowContent content, QWidget* parent = nullptr);

    const BrowseRowContent& content() const { return content_; }
    // The lines of the left column, top to bottom.
    QStringList lineTexts() const;
    QStringList badgeTexts() const;
    // The context menu's items; empty when the row may not be joined.
    QList<QAction*> menuActions() const { return actions(); }

    QSize sizeHint() const override;

Q_SIGNALS:
    void joinRequested();
    void quickAddRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    BrowseRowContent content_;
};

// The inset group the rows sit in: a white rounded panel with hairlines
// between its rows.
class BrowseRowGroup : public QWidget {
    Q_OBJECT
public:
    explicit BrowseRowGroup(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
