#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class RadioSession;

// How many chat lines of the tuned channel arrived since the user last saw
// the chat. The last line seen is remembered here rather than by a screen, so
// leaving the Radio tab and coming back does not count old lines again. A
// retune starts the count over. One per application, beside the radio
// session it reads. GUI thread only.
class ChatUnreadStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(int unread READ unread NOTIFY unreadChanged)

public:
    explicit ChatUnreadStore(RadioSession* radio, QObject* parent = nullptr);

    int unread() const { return unread_; }

    // The chat was opened or closed: every line it holds now counts as seen.
    void markAllSeen();

Q_SIGNALS:
    void unreadChanged(int unread);

private:
    void recount();

    QPointer<RadioSession> radio_;
    // The newest line seen and its time: the count is of the lines after it,
    // or, once it has left the list, of the lines sent later than it.
    std::optional<QString> lastSeenId_;
    double lastSeenTs_ = 0;
    int unread_ = 0;
};
