#include "views/channel_roster_sheet.h"

#include "platform/symbol_image.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "theme/system_colors.h"
#include "views/busy_indicator.h"
#include "views/channel_ban_list.h"
#include "views/face_label.h"
#include "views/plain_label.h"
#include "views/view_fonts.h"

#include <QContextMenuEvent>
#include <QCoroTask>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const QString kOwnerFootnote = QStringLiteral(
    "Block — they disappear for you only (chat, voice, tones). Ban — kicks them off your channel; only you can unban.");
const QString kListenerFootnote = QStringLiteral(
    "Block — you won't hear their voice, PTT tones, or chat. Only the channel owner can ban someone from this channel.");

// A row whose right-click menu is built when asked for.
class MenuRow : public QWidget {
public:
    MenuRow(std::function<std::unique_ptr<QMenu>()> menu, QWidget* parent) : QWidget(parent), menu_(std::move(menu)) {}

protected:
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        std::unique_ptr<QMenu> menu = menu_ ? menu_() : nullptr;
        if (!menu)
            return;
        QMenu* shown = menu.release();
        shown->setAttribute(Qt::WA_DeleteOnClose);
        shown->popup(event->globalPos());
    }

private:
    std::function<std::unique_ptr<QMenu>()> menu_;
};

// The name and, when there is one, the radio ID of a listener or a banned user.
QVBoxLayout* nameStack(const QString& nickname, const QString& radioId, QWidget* parent)
{
    auto* stack = new QVBoxLayout;
    stack->setSpacing(2);
    stack->addWidget(plainLabel(nickname, ViewFonts::font(17, QFont::DemiBold), systemColor(SystemColor::Label), parent));
    if (!radioId.isEmpty()) {
        stack->addWidget(plainLabel(radioId, ViewFonts::font(12, QFont::Normal, ViewFonts::Design::monospaced),
                                    systemColor(SystemColor::Gray), parent));
    }
    return stack;
}

}  // namespace

ChannelRosterSheet::ChannelRosterSheet(RadioSession* radio, SessionStore* session, Setup setup, QWidget* parent)
    : QWidget(parent), radio_(radio), session_(session), setup_(std::move(setup)), bans_(new ChannelBanList(this))
{
    setObjectName(QStringLiteral("ChannelRosterSheet"));
    auto* refreshButton = new QPushButton(QStringLiteral("Refresh"), this);
    refreshButton->setFlat(true);
    refreshButton->setFont(ViewFonts::font(17));
    setTextColour(refreshButton, systemColor(SystemColor::Blue));
    connect(refreshButton, &QPushButton::clicked, this, [this] { QCoro::connect(refresh(), this, [] {}); });
    auto* doneButton = new QPushButton(QStringLiteral("Done"), this);
    doneButton->setFlat(true);
    doneButton->setFont(ViewFonts::font(17, QFont::DemiBold));
    setTextColour(doneButton, systemColor(SystemColor::Blue));
    connect(doneButton, &QPushButton::clicked, this, [this] {
        if (setup_.dismiss)
            setup_.dismiss();
    });

    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(refreshButton);
    toolbar->addStretch(1);
    toolbar->addWidget(doneButton);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_ = new QWidget(scroll);
    listLayout_ = new QVBoxLayout(list_);
    listLayout_->setContentsMargins(16, 8, 16, 16);
    listLayout_->setSpacing(8);
    scroll->setWidget(list_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(toolbar);
    column->addWidget(scroll, 1);

    connect(radio_->live(), &ChannelAudioService::channelRosterChanged, this, &ChannelRosterSheet::rebuild);
    connect(bans_, &ChannelBanList::changed, this, [this] {
        rebuild();
        Q_EMIT bansChanged();
    });
    rebuild();
}

const std::vector<ChannelBanEntry>& ChannelRosterSheet::banned() const
{
    return bans_->entries();
}

bool ChannelRosterSheet::loadingBans() const
{
    return bans_->loading();
}

void ChannelRosterSheet::setOwnership(bool isOwner, qint64 channelNumber)
{
    if (isOwner == setup_.isOwner && channelNumber == setup_.channelNumber)
        return;
    setup_.isOwner = isOwner;
    setup_.channelNumber = channelNumber;
    // The old list belongs to another channel, or to an owner the viewer no longer is.
    bans_->reset();
    if (isOwner && loadedOnShow_)
        QCoro::connect(loadBans(), this, [] {});
}

void ChannelRosterSheet::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (loadedOnShow_)
        return;
    loadedOnShow_ = true;
    QCoro::connect(refresh(), this, [] {});
}

void ChannelRosterSheet::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F5) {
        QCoro::connect(refresh(), this, [] {});
        return;
    }
    QWidget::keyPressEvent(event);
}

QCoro::Task<void> ChannelRosterSheet::refresh()
{
    if (setup_.isOwner)
        co_await loadBans();
}

QCoro::Task<void> ChannelRosterSheet::loadBans()
{
    return bans_->load(setup_.ownerUID, setup_.channelNumber);
}

QCoro::Task<void> ChannelRosterSheet::unbanThenReload(ChannelBanEntry entry)
{
    QPointer<ChannelRosterSheet> self(this);
    const auto onUnban = setup_.onUnban;
    if (onUnban)
        co_await onUnban(entry);
    // The callback tells nothing of its outcome, so the list is always read again.
    if (self)
        co_await self->loadBans();
}

void ChannelRosterSheet::addSectionHeader(const QString& text)
{
    auto* header = plainLabel(text.toUpper(), ViewFonts::font(13), systemColor(SystemColor::Gray), list_);
    listLayout_->addSpacing(8);
    listLayout_->addWidget(header);
}

void ChannelRosterSheet::rebuild()
{
    while (QLayoutItem* item = listLayout_->takeAt(0)) {
        // Later: the click that led here may still be running in one of them.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }

    const QList<ChannelRosterMember>& roster = radio_->live()->channelRoster();
    if (roster.isEmpty()) {
        auto* placeholder = new QWidget(list_);
        placeholder->setObjectName(QStringLiteral("NobodyHerePlaceholder"));
        auto* stack = new QVBoxLayout(placeholder);
        stack->setContentsMargins(0, 32, 0, 24);
        stack->setSpacing(8);
        auto* symbol = new QLabel(placeholder);
        symbol->setPixmap(SymbolImage::render(QStringLiteral("person.2.slash"), 40, systemColor(SystemColor::Gray),
                                              devicePixelRatioF()));
        symbol->setAlignment(Qt::AlignCenter);
        stack->addWidget(symbol);
        auto* title = plainLabel(QStringLiteral("Nobody here yet"), ViewFonts::font(20, QFont::Bold),
                                 systemColor(SystemColor::Label), placeholder);
        title->setAlignment(Qt::AlignCenter);
        stack->addWidget(title);
        listLayout_->addWidget(placeholder);
    } else {
        addSectionHeader(setup_.isOwner ? QStringLiteral("On your channel now") : QStringLiteral("Listening now"));
        for (const ChannelRosterMember& member : roster)
            listLayout_->addWidget(rosterRow(member));
    }

    if (setup_.isOwner)
        addBannedSection();

    listLayout_->addSpacing(16);
    auto* footnote = plainLabel(setup_.isOwner ? kOwnerFootnote : kListenerFootnote, ViewFonts::font(13),
                                systemColor(SystemColor::Gray), list_);
    footnote->setWordWrap(true);
    listLayout_->addWidget(footnote);
    listLayout_->addStretch(1);
}

void ChannelRosterSheet::addBannedSection()
{
    addSectionHeader(QStringLiteral("Banned from your channel"));
    if (bans_->loading()) {
        listLayout_->addWidget(makeBusyIndicator(list_));
        return;
    }
    for (const ChannelBanEntry& entry : bans_->entries())
        listLayout_->addWidget(bannedRow(entry));
    // Unknown is not empty: after a failed load the sheet says so, over the last list it had.
    if (bans_->failed() || bans_->entries().empty()) {
        listLayout_->addWidget(plainLabel(bans_->failed() ? ChannelBanList::loadFailedText()
                                                          : QStringLiteral("Nobody banned"),
                                          ViewFonts::font(17), systemColor(SystemColor::Gray), list_));
    }
}

std::unique_ptr<QMenu> ChannelRosterSheet::makeRowMenu(const ChannelRosterMember& member)
{
    if (member.uid == session_->uid())
        return nullptr;
    auto menu = std::make_unique<QMenu>();  // no parent: the caller owns it
    const auto start = [this, member](const AsyncCallback<ChannelRosterMember>& action) {
        if (action)
            QCoro::connect(action(member), this, [] {});
    };
    connect(menu->addAction(QStringLiteral("Block user")), &QAction::triggered, this,
            [start, action = setup_.onBlock] { start(action); });
    if (setup_.isOwner) {
        connect(menu->addAction(QStringLiteral("Ban from your channel")), &QAction::triggered, this,
                [start, action = setup_.onBan] { start(action); });
    }
    return menu;
}

QWidget* ChannelRosterSheet::rosterRow(const ChannelRosterMember& member)
{
    auto* row = new MenuRow([this, member] { return makeRowMenu(member); }, list_);
    row->setObjectName(QStringLiteral("RosterRow:") + member.uid);
    auto* stack = nameStack(member.chatNickname(), member.radioId, row);
    if (member.uid == session_->uid())
        stack->addWidget(plainLabel(QStringLiteral("You"), ViewFonts::caption2(QFont::Bold),
                                    systemColor(SystemColor::Green), row));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 4, 0, 4);
    line->addLayout(stack);
    line->addStretch(1);
    return row;
}

QWidget* ChannelRosterSheet::bannedRow(const ChannelBanEntry& entry)
{
    auto* row = new QWidget(list_);
    row->setObjectName(QStringLiteral("BannedRow:") + entry.uid);
    auto* unban = new QPushButton(QStringLiteral("Unban"), row);
    unban->setFont(ViewFonts::caption(QFont::Bold));
    connect(unban, &QPushButton::clicked, this,
            [this, entry] { QCoro::connect(unbanThenReload(entry), this, [] {}); });
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 4, 0, 4);
    line->addLayout(nameStack(entry.chatNickname(), entry.radioId, row));
    line->addStretch(1);
    line->addWidget(unban);
    return row;
}
