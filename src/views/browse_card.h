#pragma once

#include "models/channel.h"
#include "models/workplace_membership.h"

#include <QWidget>

class ChannelUserCountBadge;
class ContrastPill;
class QLabel;
class QPushButton;
class ThemeStore;

// The themed card above the browse list: a header with a people-count badge,
// the channel's frequency in large digits beside its names, and a join
// button. Recoloured whenever the theme changes; it joins nothing itself.
class BrowseCard : public QWidget {
    Q_OBJECT

public:
    struct Content {
        QString symbol;        // beside the header text
        QString header;
        qint64 liveUserCount = 0;
        QString headerPill;    // after the badge; none when empty
        QString frequency;
        QString title;
        QString detail;        // caption line under the title; none when empty
        bool detailMonospaced = false;  // a radio ID (secondary colour) rather than a muted note
        QString columnPill;    // under the detail; none when empty
        QString buttonText;
    };

    BrowseCard(ThemeStore* theme, Content content, QWidget* parent = nullptr);

    const Content& content() const { return content_; }
    QPushButton* joinButton() const { return join_; }
    ChannelUserCountBadge* badge() const { return badge_; }
    // The pills shown (header pill, then column pill).
    QStringList pillTexts() const;

Q_SIGNALS:
    void joinRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyTheme();

    ThemeStore* theme_;
    Content content_;
    QLabel* symbol_;
    QLabel* header_;
    ChannelUserCountBadge* badge_;
    ContrastPill* headerPill_ = nullptr;
    QLabel* frequency_;
    QLabel* title_;
    QLabel* detail_ = nullptr;
    ContrastPill* columnPill_ = nullptr;
    QPushButton* join_;
};

// The user's company channel: "MY COMPANY", seats and the administrator's mark.
class CompanyBrowseCard : public BrowseCard {
    Q_OBJECT
public:
    CompanyBrowseCard(ThemeStore* theme, const WorkplaceMembership& membership, qint64 liveUserCount,
                      QWidget* parent = nullptr);
};

// The user's own channel: "MY CHANNEL", its listing and the user's radio ID.
class MyChannelBrowseCard : public BrowseCard {
    Q_OBJECT
public:
    MyChannelBrowseCard(ThemeStore* theme, const Channel& channel, qint64 liveUserCount, const QString& radioId,
                        QWidget* parent = nullptr);
};
