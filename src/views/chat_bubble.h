#pragma once

#include "models/chat_message.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>

class QMenu;
class QPainter;
class QTextLayout;
class ThemeStore;

// The quick emoji, in order: the bubble's "React" menu and the composer's emoji bar.
const QStringList& chatQuickEmojis();

// One reaction chip: an emoji and how many gave it.
struct ChatReactionCount {
    QString emoji;
    int count = 0;

    friend bool operator==(const ChatReactionCount&, const ChatReactionCount&) = default;
};

// The chips of a reactions map: empty lists dropped, the most given first,
// equal counts in the map's order.
QList<ChatReactionCount> sortedReactions(const QMap<QString, QStringList>& reactions);

// The name block above a bubble: the sender's chat name and, under it, the
// radio ID when there is one. Drawn by the bubble.
struct ChatSenderLabel {
    QString nickname;
    QString radioId;
    bool alignTrailing = false;

    QSize size() const;
    // Draws the block inside `rect`, against its leading or trailing edge.
    void paint(QPainter& painter, const QRect& rect) const;
};

// One chat line: the name block, the text in a bubble of the theme's chat
// colour, and the reaction chips. Others' bubbles carry a context menu. The
// bubble keeps no state and does nothing itself: it calls what it is given.
class ChatBubble : public QWidget {
    Q_OBJECT
public:
    using AsyncAction = std::function<QCoro::Task<void>()>;

    // What one row shows and the callbacks bound to its message.
    struct Row {
        ChatMessage message;
        bool isMine = false;
        bool isChannelOwner = false;
        std::function<void(const QString&)> onReaction;
        AsyncAction onAddFriend;
        AsyncAction onBlock;
        AsyncAction onBan;
    };

    ChatBubble(ThemeStore* theme, Row row, QWidget* parent = nullptr);

    void setRow(Row row);
    const Row& row() const { return row_; }
    QList<ChatReactionCount> sortedReactions() const { return ::sortedReactions(row_.message.reactions); }

    // The context menu as the user would see it now; null on one's own message.
    std::unique_ptr<QMenu> makeContextMenu();

    QColor bubbleColor() const;
    QColor textColor() const;
    // Where things sit at the current width (widget coordinates).
    QRect bubbleRect() const;
    QRect chipRect(int index) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Geometry {
        QRect label;
        QRect bubble;
        QRect text;
        std::shared_ptr<const QTextLayout> textLayout;  // the message wrapped to `text`'s width
        QList<QRect> chips;
        int height = 0;
    };
    // The layout at a width, kept for the last width asked.
    Geometry geometryFor(int width) const;
    Geometry layOut(int width) const;
    ChatSenderLabel senderLabel() const;
    QString chipText(const ChatReactionCount& chip) const;
    void start(const AsyncAction& action);

    QPointer<ThemeStore> theme_;
    Row row_;
    mutable int cachedWidth_ = -1;
    mutable Geometry cached_;
};
