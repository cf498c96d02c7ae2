#pragma once

#include "views/browse_lists.h"

#include <QWidget>

// The segmented bar of the four browse tabs; the selected segment sits on a
// raised white background. A tap reports the tab and changes nothing itself.
class BrowseTabBar : public QWidget {
    Q_OBJECT

public:
    explicit BrowseTabBar(QWidget* parent = nullptr);

    void setSelected(BrowseTab tab);
    BrowseTab selected() const { return selected_; }
    QRect segmentRect(BrowseTab tab) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void tabTapped(BrowseTab tab);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    BrowseTab selected_ = BrowseTab::publicChannels;
};
