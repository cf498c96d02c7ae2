#pragma once

#include "views/app_stores.h"
#include "models/chat_message.h"
#include "views/chat_bubble.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>

class ChannelRosterSheet;
class ChatBubble;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class SheetOverlay;
class ThemedScreenBackground;

// The text chat of the live channel: a header with the tuned channel, the
// lines as bubbles, the quick emoji and the composer, a toolbar with "Done"
// and the listener count that opens the roster. It reads the live channel
// through the radio session and never opens a connection of its own; a fresh
// one is made for every opening of the chat sheet.
class ChannelChatView : public QWidget {
    Q_OBJECT
public:
    ChannelChatView(const AppStores& stores, QWidget* parent = nullptr);
    ~ChannelChatView() override;

    // The user owns the tuned channel and it is live; read afresh every time.
    bool isChannelOwner() const;

    QString draft() const;
    void setDraft(const QString& text);
    std::optional<QString> toast() const { return toast_; }

    // The composer's send (button and Return).
    void sendDraft();
    // Appends a quick emoji to the draft; sends nothing.
    void appendEmoji(const QString& emoji);
    // Shows the text in the toast; every call clears whatever shows 2 s later.
    void showToast(const QString& text);

    // The actions offered on a person (bubbles and roster). None throws.
    QCoro::Task<void> addFriend(ChatMessage message);
    QCoro::Task<void> blockUser(QString uid, QString name);
    QCoro::Task<void> banUser(QString uid, QString name);
    QCoro::Task<void> unbanUser(ChannelBanEntry entry);

    // Opens the roster sheet, as the listener-count button does.
    void openRoster();

    // Parts a test looks at.
    QPushButton* doneButton() const { return done_; }
    QPushButton* rosterButton() const { return rosterButton_; }
    QPushButton* sendButton() const { return send_; }
    QPlainTextEdit* composer() const { return composer_; }
    QList<QPushButton*> emojiButtons() const { return emojiButtons_; }
    QList<ChatBubble*> bubbles() const;
    QWidget* emptyState() const { return emptyState_; }
    QScrollArea* messageScroll() const { return scroll_; }
    QString headerTitle() const;
    QString headerSubtitle() const;
    QColor liveDotColor() const;
    qreal sendButtonOpacity() const;
    SheetOverlay* rosterSheetOverlay() const { return rosterOverlay_; }
    ChannelRosterSheet* rosterSheet() const;
    void setToastDurationForTesting(std::chrono::milliseconds duration) { toastDuration_ = duration; }

signals:
    // "Done": the owner closes the sheet.
    void dismissRequested();
    void toastChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar(QVBoxLayout* column);
    void buildHeader(QVBoxLayout* column);
    void buildMessageList(QVBoxLayout* column);
    void buildEmojiBar(QVBoxLayout* column);
    void buildComposer(QVBoxLayout* column);
    void wireStores();

    void updateHeader();
    void updateSendButton();
    void updateMessages();
    void updateOwnership();
    void onMessageCountChanged();
    void scrollToNewest();
    void setToast(std::optional<QString> text);
    void onDone();

    ChatBubble::Row rowFor(const ChatMessage& message) const;

    AppStores stores_;
    std::chrono::milliseconds toastDuration_{2000};
    std::optional<QString> toast_;
    qsizetype shownCount_ = 0;

    ThemedScreenBackground* background_ = nullptr;
    QWidget* content_ = nullptr;
    QPushButton* done_ = nullptr;
    QPushButton* rosterButton_ = nullptr;
    QWidget* header_ = nullptr;
    QLabel* emoji_ = nullptr;
    QLabel* frequency_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QWidget* liveDot_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* listContent_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    QWidget* emptyState_ = nullptr;
    QHash<QString, ChatBubble*> bubbleById_;
    QList<QPushButton*> emojiButtons_;
    QPlainTextEdit* composer_ = nullptr;
    QPushButton* send_ = nullptr;
    SheetOverlay* rosterOverlay_ = nullptr;
};
