#pragma once

#include "models/chat_message.h"

#include <QWidget>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <vector>

class ChannelBanList;
class QMenu;
class QVBoxLayout;
class RadioSession;
class SessionStore;

// Who is on the live channel now and, for the channel's owner, who is banned
// from it. The rows offer Block (and Ban to the owner) and banned rows offer
// Unban; the chat screen hands in what those do, and tells the sheet when the
// viewer's ownership changes. The only request of its own is the ban list,
// loaded when shown (owner only), on refresh, after an unban and when the
// viewer becomes the owner.
class ChannelRosterSheet : public QWidget {
    Q_OBJECT
public:
    template <class T>
    using AsyncCallback = std::function<QCoro::Task<void>(T)>;

    struct Setup {
        bool isOwner = false;
        qint64 channelNumber = 0;
        QString ownerUID;
        AsyncCallback<ChannelRosterMember> onBlock;
        AsyncCallback<ChannelRosterMember> onBan;
        AsyncCallback<ChannelBanEntry> onUnban;
        std::function<void()> dismiss;
    };

    ChannelRosterSheet(RadioSession* radio, SessionStore* session, Setup setup, QWidget* parent = nullptr);

    bool isOwner() const { return setup_.isOwner; }
    qint64 channelNumber() const { return setup_.channelNumber; }
    const std::vector<ChannelBanEntry>& banned() const;
    bool loadingBans() const;
    // The owner test and the tuned channel as they stand now; a change
    // redraws the sheet and forgets the ban list of the old channel.
    void setOwnership(bool isOwner, qint64 channelNumber);

    // What the sheet does when shown and on a pull to refresh: the owner's ban list.
    QCoro::Task<void> refresh();
    // The menu of a listener row; null on the user's own row.
    std::unique_ptr<QMenu> makeRowMenu(const ChannelRosterMember& member);

signals:
    void bansChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCoro::Task<void> loadBans();
    QCoro::Task<void> unbanThenReload(ChannelBanEntry entry);
    void rebuild();
    void addSectionHeader(const QString& text);
    QWidget* rosterRow(const ChannelRosterMember& member);
    QWidget* bannedRow(const ChannelBanEntry& entry);
    void addBannedSection();

    RadioSession* radio_;
    SessionStore* session_;
    Setup setup_;
    ChannelBanList* bans_;
    bool loadedOnShow_ = false;
    QWidget* list_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
};
