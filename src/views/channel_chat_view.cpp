#include "views/channel_chat_view.h"

#include "legal/app_legal.h"
#include "platform/diagnostics.h"
#include "platform/media_clock.h"
#include "platform/symbol_image.h"
#include "platform/tovrin_haptics.h"
#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/system_colors.h"
#include "theme/theme_store.h"
#include "theme/themed_background_views.h"
#include "views/channel_roster_sheet.h"
#include "views/face_label.h"
#include "views/plain_label.h"
#include "views/sheet_overlay.h"
#include "views/toast_host.h"
#include "views/view_fonts.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kComposerMaxLines = 4;

QCoro::Task<void> nothingToDo()
{
    co_return;
}
constexpr qreal kDimmedSend = 0.55;

// A strip that paints one colour behind its children.
class TintedStrip : public QWidget {
public:
    using QWidget::QWidget;
    void setTint(const QColor& tint)
    {
        tint_ = tint;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), tint_); }

private:
    QColor tint_ = Qt::transparent;
};

// The header's live lamp.
class LiveDot : public QWidget {
public:
    explicit LiveDot(QWidget* parent) : QWidget(parent) { setFixedSize(10, 10); }
    void setColour(const QColor& colour)
    {
        if (colour_ == colour)
            return;
        colour_ = colour;
        update();
    }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour_);
        painter.drawEllipse(QRectF(rect()));
    }

private:
    QColor colour_;
};

// A quick emoji on a frosted rounded square.
class EmojiKey : public QPushButton {
public:
    EmojiKey(const QString& emoji, QWidget* parent) : QPushButton(emoji, parent)
    {
        setFixedSize(36, 36);
        setFont(ViewFonts::font(20));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, isDown() ? 200 : 140));
        painter.drawPath(continuousRoundedRect(QRectF(rect()), 10));
        painter.setFont(font());
        painter.setPen(systemColor(SystemColor::Label));
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

// The round send button in the theme's accent; dimmed, not disabled, off air.
class SendButton : public QPushButton {
public:
    SendButton(ThemeStore* theme, QWidget* parent) : QPushButton(parent), theme_(theme)
    {
        setFixedSize(44, 44);
        setAccessibleName(QStringLiteral("Send"));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }
    void setDimmedOpacity(qreal opacity)
    {
        opacity_ = opacity;
        update();
    }
    qreal dimmedOpacity() const { return opacity_; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(opacity_ * (isEnabled() ? 1.0 : 0.45));
        const FacePlateTheme& current = theme_->current();
        QLinearGradient fill(QPointF(0, 0), QPointF(width(), height()));
        fill.setColorAt(0, current.accent);
        fill.setColorAt(1, current.bodyBottom);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(rect()));
        const QPixmap plane = SymbolImage::render(QStringLiteral("paperplane.fill"), 20, Qt::white, devicePixelRatioF());
        painter.drawPixmap(QPointF((width() - 20) / 2.0, (height() - 20) / 2.0), plane);
    }

private:
    ThemeStore* theme_;
    qreal opacity_ = 1.0;
};

}  // namespace

ChannelChatView::ChannelChatView(const AppStores& stores, QWidget* parent) : QWidget(parent), stores_(stores)
{
    setObjectName(QStringLiteral("ChannelChatView"));
    background_ = new ThemedScreenBackground(stores_.theme, this);
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildToolbar(column);
    buildHeader(column);
    buildMessageList(column);
    buildEmojiBar(column);
    buildComposer(column);

    rosterOverlay_ = new SheetOverlay(QStringLiteral("On channel"), this);
    connect(rosterOverlay_, &SheetOverlay::dismissed, this, [this] { rosterOverlay_->setContent(nullptr); });

    shownCount_ = stores_.radio->live()->chatMessages().size();
    updateMessages();
    updateHeader();
    updateSendButton();
    wireStores();

    // What the chat shows on opening: the live state, then the filter of users
    // blocked while it was closed.
    ChannelAudioService* live = stores_.radio->live();
    Diagnostics::printLine(QStringLiteral("[TovrinChat][mac] open live=") + (live->isLive() ? "true" : "false")
                           + QStringLiteral(" build=") + AppLegal::buildNumber() + QStringLiteral(" msgs=")
                           + QString::number(live->chatMessages().size()));
    live->updateBlocked(stores_.blocks->blockedUIDs());
}

ChannelChatView::~ChannelChatView() = default;

void ChannelChatView::buildToolbar(QVBoxLayout* column)
{
    auto* bar = new QWidget(content_);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 0, 12, 4);
    done_ = new QPushButton(QStringLiteral("Done"), bar);
    done_->setFlat(true);
    done_->setFont(ViewFonts::font(17));
    connect(done_, &QPushButton::clicked, this, &ChannelChatView::onDone);
    rosterButton_ = new QPushButton(bar);
    rosterButton_->setFlat(true);
    rosterButton_->setFont(ViewFonts::caption(QFont::DemiBold));
    rosterButton_->setIcon(QIcon(SymbolImage::render(QStringLiteral("person.2.fill"), 14, systemColor(SystemColor::Blue),
                                                     devicePixelRatioF())));
    setTextColour(rosterButton_, systemColor(SystemColor::Blue));
    setTextColour(done_, systemColor(SystemColor::Blue));
    connect(rosterButton_, &QPushButton::clicked, this, &ChannelChatView::openRoster);
    row->addWidget(done_);
    row->addStretch(1);
    row->addWidget(rosterButton_);
    column->addWidget(bar);
}

void ChannelChatView::buildHeader(QVBoxLayout* column)
{
    auto* strip = new TintedStrip(content_);
    header_ = strip;
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    emoji_ = plainLabel(QString(), ViewFonts::font(22), strip);
    frequency_ = plainLabel(QString(), ViewFonts::font(17, QFont::DemiBold, ViewFonts::Design::monospaced), strip);
    subtitle_ = plainLabel(QString(), ViewFonts::caption(), strip);
    setTextColour(subtitle_, systemColor(SystemColor::Gray));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(frequency_);
    texts->addWidget(subtitle_);
    liveDot_ = new LiveDot(strip);
    row->addWidget(emoji_);
    row->addLayout(texts);
    row->addStretch(1);
    row->addWidget(liveDot_);
    column->addWidget(strip);
}

void ChannelChatView::buildMessageList(QVBoxLayout* column)
{
    scroll_ = new QScrollArea(content_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    listContent_ = new QWidget(scroll_);
    listLayout_ = new QVBoxLayout(listContent_);
    listLayout_->setContentsMargins(12, 12, 12, 12);
    listLayout_->setSpacing(10);

    emptyState_ = new QWidget(listContent_);
    auto* empty = new QVBoxLayout(emptyState_);
    empty->setContentsMargins(24, 48, 24, 0);
    empty->setSpacing(8);
    auto* bubble = plainLabel(QStringLiteral("💬"), ViewFonts::font(44), emptyState_);
    auto* title = plainLabel(QStringLiteral("Say hi on this channel"), ViewFonts::font(17, QFont::DemiBold), emptyState_);
    auto* hint = plainLabel(QStringLiteral("Tap the people icon to see everyone listening."), ViewFonts::font(13),
                            emptyState_);
    setTextColour(hint, systemColor(SystemColor::Gray));
    hint->setWordWrap(true);
    for (QLabel* label : {bubble, title, hint}) {
        label->setAlignment(Qt::AlignCenter);
        empty->addWidget(label);
    }
    listLayout_->addWidget(emptyState_);
    listLayout_->addStretch(1);
    scroll_->setWidget(listContent_);
    column->addWidget(scroll_, 1);
}

void ChannelChatView::buildEmojiBar(QVBoxLayout* column)
{
    auto* strip = new QScrollArea(content_);
    strip->setFrameShape(QFrame::NoFrame);
    strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    auto* bar = new QWidget(strip);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(6);
    for (const QString& emoji : chatQuickEmojis()) {
        auto* key = new EmojiKey(emoji, bar);
        connect(key, &QPushButton::clicked, this, [this, emoji] { appendEmoji(emoji); });
        emojiButtons_.append(key);
        row->addWidget(key);
    }
    strip->setWidget(bar);
    strip->setFixedHeight(bar->sizeHint().height());
    column->addWidget(strip);
}

void ChannelChatView::buildComposer(QVBoxLayout* column)
{
    auto* bar = new TintedStrip(content_);
    bar->setTint(QColor(248, 248, 248, 235));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(10);
    composer_ = new QPlainTextEdit(bar);
    composer_->setPlaceholderText(QStringLiteral("Message…"));
    composer_->setFont(ViewFonts::font(17));
    composer_->setTabChangesFocus(true);
    composer_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    composer_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; border: 1px solid #C7C7CC; "
                                            "border-radius: 6px; padding: 2px 4px; }"));
    composer_->installEventFilter(this);
    connect(composer_, &QPlainTextEdit::textChanged, this, [this] {
        updateSendButton();
        // One to four lines tall; more scroll.
        const QFontMetrics metrics(composer_->font());
        const int lines = std::clamp(int(composer_->document()->size().height()), 1, kComposerMaxLines);
        composer_->setFixedHeight(lines * metrics.lineSpacing() + 16);
    });
    send_ = new SendButton(stores_.theme, bar);
    connect(send_, &QPushButton::clicked, this, &ChannelChatView::sendDraft);
    row->addWidget(composer_, 1, Qt::AlignVCenter);
    row->addWidget(send_, 0, Qt::AlignVCenter);
    composer_->setFixedHeight(QFontMetrics(composer_->font()).lineSpacing() + 16);
    column->addWidget(bar);
}

void ChannelChatView::wireStores()
{
    RadioSession* radio = stores_.radio;
    ChannelAudioService* live = radio->live();
    connect(live, &ChannelAudioService::chatMessagesChanged, this, &ChannelChatView::updateMessages);
    for (auto signal : {&RadioSession::channelNumberChanged, &RadioSession::displayFrequencyChanged,
                        &RadioSession::connectionStateChanged})
        connect(radio, signal, this, &ChannelChatView::updateHeader);
    connect(live, &ChannelAudioService::isLiveChanged, this, &ChannelChatView::updateHeader);
    connect(live, &ChannelAudioService::listenerCountChanged, this, &ChannelChatView::updateHeader);
    connect(stores_.theme, &ThemeStore::currentChanged, this, &ChannelChatView::updateHeader);
    // The owner test follows the live state, the tuned channel and the owned
    // one, in the rows and in the roster.
    connect(live, &ChannelAudioService::isLiveChanged, this, &ChannelChatView::updateOwnership);
    connect(radio, &RadioSession::channelNumberChanged, this, &ChannelChatView::updateOwnership);
    connect(stores_.session, &SessionStore::ownedChannelNumberChanged, this, &ChannelChatView::updateOwnership);
    connect(live, &ChannelAudioService::isLiveChanged, this, &ChannelChatView::updateSendButton);
    // A block made elsewhere while the chat is open applies at once.
    connect(stores_.blocks, &BlockStore::blockedUIDsChanged, this,
            [live](const QSet<QString>& blocked) { live->updateBlocked(blocked); });
}

bool ChannelChatView::isChannelOwner() const
{
    const std::optional<qint64> owned = stores_.session->ownedChannelNumber();
    if (!owned || *owned != stores_.radio->channelNumber())
        return false;
    return stores_.radio->live()->isLive();
}

void ChannelChatView::updateOwnership()
{
    updateMessages();
    if (ChannelRosterSheet* sheet = rosterSheet())
        sheet->setOwnership(isChannelOwner(), stores_.radio->channelNumber());
}

// ---- Header ----

void ChannelChatView::updateHeader()
{
    const FacePlateTheme& theme = stores_.theme->current();
    RadioSession* radio = stores_.radio;
    ChannelAudioService* live = radio->live();
    emoji_->setText(theme.emoji);
    frequency_->setText(QStringLiteral("CH ") + radio->displayFrequency());
    subtitle_->setText(radio->connectionState() == RadioSession::ConnectionState::connected
                           ? QStringLiteral("Live text + voice")
                           : QStringLiteral("Join channel to chat"));
    static_cast<LiveDot*>(liveDot_)->setColour(live->isLive() ? theme.accent
                                                              : systemColor(SystemColor::Gray, 0.35));
    static_cast<TintedStrip*>(header_)->setTint(withOpacity(theme.bodyTop, 0.25));
    rosterButton_->setText(QString::number(live->listenerCount()));
    send_->update();
}

QString ChannelChatView::headerTitle() const
{
    return frequency_->text();
}

QString ChannelChatView::headerSubtitle() const
{
    return subtitle_->text();
}

QColor ChannelChatView::liveDotColor() const
{
    return static_cast<LiveDot*>(liveDot_)->colour();
}

// ---- Message list ----

ChatBubble::Row ChannelChatView::rowFor(const ChatMessage& message) const
{
    ChatBubble::Row row;
    row.message = message;
    row.isMine = message.uid == stores_.session->uid();
    row.isChannelOwner = isChannelOwner();
    QPointer<ChannelChatView> self(const_cast<ChannelChatView*>(this));
    ChannelAudioService* live = stores_.radio->live();
    const QString id = message.id;
    row.onReaction = [live, id](const QString& emoji) {
        live->sendReaction(id, emoji);
        TovrinHaptics::soft();
    };
    // The actions may outlive the screen: each starts only while it is there.
    // (Plain lambdas: a coroutine lambda's captures would die with the callback.)
    row.onAddFriend = [self, message] { return self ? self->addFriend(message) : nothingToDo(); };
    row.onBlock = [self, uid = message.uid, name = message.chatNickname()] {
        return self ? self->blockUser(uid, name) : nothingToDo();
    };
    row.onBan = [self, uid = message.uid, name = message.chatNickname()] {
        return self ? self->banUser(uid, name) : nothingToDo();
    };
    return row;
}

void ChannelChatView::updateMessages()
{
    const QList<ChatMessage>& messages = stores_.radio->live()->chatMessages();
    QHash<QString, ChatBubble*> kept;
    QList<ChatBubble*> ordered;
    for (const ChatMessage& message : messages) {
        if (kept.contains(message.id))
            continue;  // one row per id
        ChatBubble* bubble = bubbleById_.take(message.id);
        if (bubble)
            bubble->setRow(rowFor(message));
        else
            bubble = new ChatBubble(stores_.theme, rowFor(message), listContent_);
        kept.insert(message.id, bubble);
        ordered.append(bubble);
    }
    for (ChatBubble* gone : std::as_const(bubbleById_)) {
        listLayout_->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    bubbleById_ = kept;

    // Rows in the array's order, after the empty state and before the stretch.
    for (int i = 0; i < ordered.size(); ++i) {
        if (listLayout_->indexOf(ordered[i]) != i + 1) {
            listLayout_->removeWidget(ordered[i]);
            listLayout_->insertWidget(i + 1, ordered[i]);
        }
    }
    emptyState_->setVisible(messages.isEmpty());
    onMessageCountChanged();
}

QList<ChatBubble*> ChannelChatView::bubbles() const
{
    QList<ChatBubble*> ordered;
    for (int i = 0; i < listLayout_->count(); ++i) {
        if (auto* bubble = qobject_cast<ChatBubble*>(listLayout_->itemAt(i)->widget()))
            ordered.append(bubble);
    }
    return ordered;
}

void ChannelChatView::onMessageCountChanged()
{
    const qsizetype count = stores_.radio->live()->chatMessages().size();
    if (count == shownCount_)
        return;
    shownCount_ = count;
    if (count > 0)
        scrollToNewest();
}

void ChannelChatView::scrollToNewest()
{
    // The newest line rests on the bottom edge. The list's height settles only
    // once the new rows are laid out, so the scroll is made again after that.
    const auto toBottom = [this] {
        if (stores_.radio->live()->chatMessages().isEmpty())
            return;
        QScrollBar* bar = scroll_->verticalScrollBar();
        bar->setValue(bar->maximum());
    };
    listLayout_->activate();
    toBottom();
    QTimer::singleShot(0, this, toBottom);
}

// ---- Composer ----

QString ChannelChatView::draft() const
{
    return composer_->toPlainText();
}

void ChannelChatView::setDraft(const QString& text)
{
    if (composer_->toPlainText() == text)
        return;
    composer_->setPlainText(text);
    composer_->moveCursor(QTextCursor::End);
}

void ChannelChatView::updateSendButton()
{
    send_->setEnabled(!draft().trimmed().isEmpty());
    static_cast<SendButton*>(send_)->setDimmedOpacity(stores_.radio->live()->isLive() ? 1.0 : kDimmedSend);
}

qreal ChannelChatView::sendButtonOpacity() const
{
    return static_cast<SendButton*>(send_)->dimmedOpacity();
}

void ChannelChatView::sendDraft()
{
    const QString text = draft();
    if (text.trimmed().isEmpty())
        return;
    Diagnostics::printLine(QStringLiteral("[TovrinUI] chat send tap"));
    ChannelAudioService* live = stores_.radio->live();
    if (!live->isLive()) {
        // The line could not go out: it stays in the composer for later.
        showToast(QStringLiteral("Join channel to chat"));
        return;
    }
    setDraft(QString());
    live->sendChat(text);
    TovrinHaptics::medium();
}

void ChannelChatView::appendEmoji(const QString& emoji)
{
    setDraft(draft() + emoji);
    TovrinHaptics::soft();
}

bool ChannelChatView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == composer_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool newline = key->modifiers() & Qt::ShiftModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !newline) {
            sendDraft();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Toolbar, toast, roster ----

void ChannelChatView::onDone()
{
    Diagnostics::printLine(QStringLiteral("[UIJANK] chat Done t=") + MediaClock::secondsText()
                           + QStringLiteral(" build=") + AppLegal::buildNumber());
    composer_->clearFocus();
    Q_EMIT dismissRequested();
}

void ChannelChatView::showToast(const QString& text)
{
    setToast(text);
    // No generation: whichever toast shows when this fires goes.
    QTimer::singleShot(toastDuration_, this, [this] { setToast(std::nullopt); });
}

void ChannelChatView::setToast(std::optional<QString> text)
{
    if (toast_ == text)
        return;
    toast_ = std::move(text);
    // Drawn by the window, above the roster and every other sheet, so that
    // what an action taken there reports is seen; it floats over the composer.
    if (toast_)
        ToastHost::of(this)->present(this, *toast_, {.bottomInset = 88, .slides = true});
    else
        ToastHost::withdraw(this);
    Q_EMIT toastChanged();
}

void ChannelChatView::openRoster()
{
    ChannelRosterSheet::Setup setup;
    setup.isOwner = isChannelOwner();
    setup.channelNumber = stores_.radio->channelNumber();
    setup.ownerUID = stores_.session->uid();
    QPointer<ChannelChatView> self(this);
    setup.onBlock = [self](ChannelRosterMember member) {
        return self ? self->blockUser(member.uid, member.chatNickname()) : nothingToDo();
    };
    setup.onBan = [self](ChannelRosterMember member) {
        return self ? self->banUser(member.uid, member.chatNickname()) : nothingToDo();
    };
    setup.onUnban = [self](ChannelBanEntry entry) { return self ? self->unbanUser(entry) : nothingToDo(); };
    setup.dismiss = [overlay = QPointer<SheetOverlay>(rosterOverlay_)] {
        if (overlay)
            overlay->dismiss();
    };
    rosterOverlay_->setContent(new ChannelRosterSheet(stores_.radio, stores_.session, std::move(setup)));
    rosterOverlay_->present();
}

ChannelRosterSheet* ChannelChatView::rosterSheet() const
{
    return qobject_cast<ChannelRosterSheet*>(rosterOverlay_->content());
}

void ChannelChatView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    background_->setGeometry(rect());
    content_->setGeometry(rect());
}

void ChannelChatView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The keyboard lands in the composer once the screen is up.
    QTimer::singleShot(0, composer_, [composer = composer_] { composer->setFocus(Qt::OtherFocusReason); });
}
