#include "views/browse_view.h"

#include "platform/errors.h"
#include "platform/symbol_image.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "services/workplace_store.h"
#include "theme/system_colors.h"
#include "theme/theme_store.h"
#include "views/browse_card.h"
#include "views/browse_channel_row.h"
#include "views/browse_tab_bar.h"
#include "views/busy_indicator.h"
#include "views/plain_label.h"
#include "views/toast_host.h"
#include "views/view_fonts.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

struct FetchOutcome {
    std::optional<std::vector<Channel>> channels;  // none when the request failed
    bool cancelled = false;
};

// One page of the public or commercial list; every failure is an outcome.
QCoro::Task<FetchOutcome> fetchList(bool commercial, QString query)
{
    try {
        TovrinAPI& api = TovrinAPI::shared();
        ChannelListResponse reply;
        if (commercial)
            reply = co_await api.fetchCommercialChannels(query, 1);
        else
            reply = co_await api.fetchChannels(query, 1);
        FetchOutcome outcome;
        outcome.channels = std::move(reply.channels);
        co_return outcome;
    } catch (const TransportError& error) {
        FetchOutcome outcome;
        outcome.cancelled = error.code() == QNetworkReply::OperationCanceledError && !error.timedOut();
        co_return outcome;
    } catch (...) {
        co_return FetchOutcome();
    }
}

}  // namespace

BrowseView::BrowseView(const AppStores& stores, QWidget* parent) : BrowseView(stores, Timing{}, parent) {}

BrowseView::BrowseView(const AppStores& stores, Timing timing, QWidget* parent)
    : QWidget(parent), stores_(stores), timing_(timing)
{
    setObjectName(QStringLiteral("Browse"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, systemColor(SystemColor::GroupedBackground));
    setPalette(palette);

    buildScreen();
    buildPrompts();
    watchStores();
    refresh();
}

BrowseView::~BrowseView() = default;

// ---- Composition ----

void BrowseView::buildScreen()
{
    title_ = plainLabel(QStringLiteral("Browse"), ViewFonts::font(28, QFont::Bold), systemColor(SystemColor::Label),
                        this);
    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QStringLiteral("Search frequency or name"));
    search_->setAccessibleName(QStringLiteral("Search frequency or name"));
    search_->setClearButtonEnabled(true);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        state_.query = text;
        refresh();
    });
    // The search text reaches the server only on submit; typing filters locally.
    connect(search_, &QLineEdit::returnPressed, this, [this] { QCoro::connect(load(), this, [] {}); });

    tabBar_ = new BrowseTabBar(this);
    connect(tabBar_, &BrowseTabBar::tabTapped, this, &BrowseView::selectTab);

    auto* cards = new QWidget(this);
    cardSlot_ = new QVBoxLayout(cards);
    cardSlot_->setContentsMargins(16, 0, 16, 0);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listHost_ = new QWidget;
    listHost_->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    listLayout_ = new QVBoxLayout(listHost_);
    listLayout_->setContentsMargins(16, 8, 16, 16);
    listLayout_->addStretch(1);
    scroll->setWidget(listHost_);

    auto* header = new QVBoxLayout;
    header->setContentsMargins(16, 12, 16, 0);
    header->setSpacing(8);
    header->addWidget(title_);
    header->addWidget(search_);
    auto* bar = new QVBoxLayout;
    bar->setContentsMargins(16, 10, 16, 10);
    bar->addWidget(tabBar_);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addLayout(header);
    root->addLayout(bar);
    root->addWidget(cards);
    root->addWidget(scroll, 1);

    progress_ = makeBusyIndicator(this);
    progress_->setFixedWidth(120);
    progress_->hide();

    // The desktop's stand-in for pull to refresh.
    auto* refreshKey = new QShortcut(QKeySequence::Refresh, this);
    refreshKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(refreshKey, &QShortcut::activated, this, [this] { QCoro::connect(load(), this, [] {}); });
}

void BrowseView::watchStores()
{
    SessionStore* session = stores_.session;
    for (auto signal : {&SessionStore::radioIdChanged, &SessionStore::displayNameChanged})
        connect(session, signal, this, &BrowseView::refresh);
    connect(session, &SessionStore::ownedChannelNumberChanged, this, &BrowseView::refresh);
    connect(session, &SessionStore::ownedChannelDisplayChanged, this, &BrowseView::refresh);
    connect(session, &SessionStore::workplaceChanged, this, &BrowseView::refresh);
    connect(stores_.workplace, &WorkplaceStore::membershipChanged, this, &BrowseView::refresh);
    connect(stores_.radio, &RadioSession::connectionStateChanged, this, &BrowseView::refresh);
    connect(stores_.radio, &RadioSession::channelNumberChanged, this, &BrowseView::refresh);
    connect(stores_.radio, &RadioSession::lastErrorChanged, this, &BrowseView::onLastErrorChanged);
    connect(stores_.radio->live(), &ChannelAudioService::isLiveChanged, this, &BrowseView::refresh);
    connect(stores_.radio->live(), &ChannelAudioService::listenerCountChanged, this, &BrowseView::refresh);
    connect(stores_.theme, &ThemeStore::currentChanged, this, &BrowseView::refresh);
}

void BrowseView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    QCoro::connect(load(), this, [] {});
}

void BrowseView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}

// ---- Lists ----

BrowseContext BrowseView::context() const
{
    BrowseContext context;
    const SessionStore& session = *stores_.session;
    context.ownedChannelNumber = session.ownedChannelNumber();
    context.ownedChannelDisplay = session.ownedChannelDisplay();
    context.displayName = session.displayName();
    context.radioId = session.radioId();
    context.chatDisplayName = session.chatDisplayName();
    context.membership = currentMembership(stores_.workplace, stores_.session);
    const RadioSession& radio = *stores_.radio;
    context.connectedAndLive = radio.isInChannel();
    context.tunedChannel = radio.channelNumber();
    context.liveListenerCount = radio.live()->listenerCount();
    return context;
}

std::vector<Channel> BrowseView::publicChannels() const
{
    return BrowseLists::publicChannels(state_.channels, state_.query);
}

std::vector<Channel> BrowseView::userChannels() const
{
    return BrowseLists::userChannels(state_.channels, state_.query, context());
}

std::vector<Channel> BrowseView::commercialList() const
{
    return BrowseLists::commercialList(state_.commercialChannels, state_.query);
}

std::optional<Channel> BrowseView::myChannel() const
{
    return BrowseLists::myChannel(state_.channels, context());
}

std::optional<Channel> BrowseView::companyChannel() const
{
    return BrowseLists::companyChannel(state_.commercialChannels, context());
}

qint64 BrowseView::liveUserCount(const Channel& channel) const
{
    return BrowseLists::liveUserCount(channel, context());
}

bool BrowseView::canJoinCompanyChannel(const Channel& channel) const
{
    return BrowseLists::canJoinCompanyChannel(channel, context());
}

void BrowseView::selectTab(BrowseTab tab)
{
    if (tab == state_.tab)
        return;
    state_.tab = tab;
    tabBar_->setSelected(tab);
    refresh();
}

// ---- Redraw ----

void BrowseView::refresh()
{
    rebuildCard();
    rebuildList();
    progress_->setVisible(state_.loading && state_.channels.empty() && state_.commercialChannels.empty());
    if (QWidget* list = listHost_->parentWidget()) {
        const QRect area(list->mapTo(this, QPoint(0, 0)), list->size());
        progress_->move(area.center() - QPoint(progress_->width() / 2, progress_->height() / 2));
    }
    progress_->raise();
    // The window draws the toast, above the company-code and icon sheets.
    if (state_.toast)
        ToastHost::of(this)->present(this, *state_.toast, {.bottomInset = 12});
    else
        ToastHost::withdraw(this);
    Q_EMIT stateChanged();
}

void BrowseView::rebuildCard()
{
    if (card_) {
        card_->hide();
        card_->deleteLater();
        card_ = nullptr;
    }
    if (!state_.query.isEmpty())
        return;
    const BrowseContext now = context();
    if (state_.tab == BrowseTab::userChannels) {
        if (const auto mine = myChannel()) {
            const Channel channel = *mine;
            card_ = new MyChannelBrowseCard(stores_.theme, channel, liveUserCount(channel), now.radioId);
            connect(card_, &BrowseCard::joinRequested, this, [this, channel] { join(channel); });
        }
    } else if (state_.tab == BrowseTab::company && now.membership) {
        const auto company = companyChannel();
        card_ = new CompanyBrowseCard(stores_.theme, *now.membership, company ? liveUserCount(*company) : 0);
        // The company channel as it stands at the tap.
        connect(card_, &BrowseCard::joinRequested, this, [this] {
            if (const auto channel = companyChannel())
                join(*channel);
        });
    }
    cardSlot_->setContentsMargins(16, 0, 16, card_ ? 8 : 0);
    if (card_)
        cardSlot_->addWidget(card_);
}

void BrowseView::rebuildList()
{
    if (listContent_) {
        listContent_->hide();
        listContent_->deleteLater();
        listContent_ = nullptr;
    }
    switch (state_.tab) {
    case BrowseTab::company:
        if (!context().membership)
            showEmptyState(QStringLiteral("building.2"), QStringLiteral("No company yet"),
                           QStringLiteral("Enter your employer’s company code in Settings."), true);
        return;
    case BrowseTab::publicChannels:
    case BrowseTab::userChannels:
    case BrowseTab::commercial:
        break;
    }

    const std::vector<Channel> list = state_.tab == BrowseTab::publicChannels ? publicChannels()
                                      : state_.tab == BrowseTab::userChannels ? userChannels()
                                                                              : commercialList();
    if (list.empty()) {
        if (state_.tab == BrowseTab::publicChannels)
            showEmptyState(QStringLiteral("house.fill"), QStringLiteral("No public channels"),
                           QStringLiteral("Only public channels with someone live right now appear here."), false);
        else if (state_.tab == BrowseTab::userChannels)
            showEmptyState(QStringLiteral("person.3.fill"), QStringLiteral("No user channels yet"),
                           QStringLiteral("Listed user channels appear here. Turn on List in Browse in SETUP to show yours."),
                           false);
        else
            showEmptyState(QStringLiteral("building.2.fill"), QStringLiteral("No commercial channels live"),
                           QStringLiteral("Security firms, malls, and workplace channels appear here when someone is on air."),
                           false);
        return;
    }

    auto* group = new BrowseRowGroup(listHost_);
    auto* rows = new QVBoxLayout(group);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    const BrowseContext now = context();
    for (const Channel& channel : list) {
        BrowseRowContent content{
            .channel = channel,
            .title = BrowseLists::channelTitle(channel),
            .showOwner = state_.tab == BrowseTab::userChannels && channel.ownerRadioId && !channel.ownerRadioId->isEmpty(),
            .badges = BrowseLists::badges(channel, now),
            .liveUserCount = BrowseLists::liveUserCount(channel, now),
            .allowed = BrowseLists::canJoinCompanyChannel(channel, now),
        };
        auto* row = new BrowseChannelRow(stores_.theme, std::move(content), group);
        connect(row, &BrowseChannelRow::joinRequested, this, [this, channel] { join(channel); });
        connect(row, &BrowseChannelRow::quickAddRequested, this, [this, channel] { beginQuickAdd(channel); });
        rows->addWidget(row);
    }
    listContent_ = group;
    listLayout_->insertWidget(0, group);
}

void BrowseView::showEmptyState(const QString& symbol, const QString& label, const QString& description,
                                bool withAction)
{
    auto* empty = new QWidget(listHost_);
    empty->setObjectName(QStringLiteral("emptyState"));
    auto* layout = new QVBoxLayout(empty);
    layout->setContentsMargins(16, 48, 16, 16);
    layout->setSpacing(8);
    auto* icon = new QLabel(empty);
    icon->setPixmap(SymbolImage::render(symbol, 40, systemColor(SystemColor::SecondaryLabel), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = plainLabel(label, ViewFonts::font(20, QFont::Bold), systemColor(SystemColor::Label), empty);
    title->setObjectName(QStringLiteral("emptyLabel"));
    title->setAlignment(Qt::AlignCenter);
    auto* text = plainLabel(description, ViewFonts::font(15), systemColor(SystemColor::SecondaryLabel), empty);
    text->setObjectName(QStringLiteral("emptyDescription"));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    layout->addWidget(icon);
    layout->addWidget(title);
    layout->addWidget(text);
    if (withAction) {
        auto* link = new QPushButton(QStringLiteral("Enter company code"), empty);
        link->setObjectName(QStringLiteral("emptyAction"));
        const QColor accent = stores_.theme->current().accent;
        link->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                           " border-radius: 10px; padding: 8px 16px; font-weight: 600; }")
                                .arg(accent.name()));
        connect(link, &QPushButton::clicked, this, &BrowseView::presentRedeem);
        layout->addWidget(link, 0, Qt::AlignHCenter);
    }
    listContent_ = empty;
    listLayout_->insertWidget(0, empty);
}

QList<BrowseChannelRow*> BrowseView::rows() const
{
    return listContent_ ? listContent_->findChildren<BrowseChannelRow*>() : QList<BrowseChannelRow*>{};
}

QStringList BrowseView::emptyStateTexts() const
{
    if (!listContent_ || listContent_->objectName() != QStringLiteral("emptyState"))
        return {};
    return {listContent_->findChild<QLabel*>(QStringLiteral("emptyLabel"))->text(),
            listContent_->findChild<QLabel*>(QStringLiteral("emptyDescription"))->text()};
}

QWidget* BrowseView::emptyStateAction() const
{
    return listContent_ ? listContent_->findChild<QPushButton*>(QStringLiteral("emptyAction")) : nullptr;
}

bool BrowseView::progressShown() const
{
    return !progress_->isHidden();
}

// ---- Loading ----

QCoro::Task<void> BrowseView::load()
{
    QPointer<BrowseView> self(this);
    const AppStores stores = stores_;
    const quint64 token = ++state_.loadGeneration;
    setLoading(true);
    const QString q = state_.query.trimmed();
    // Only the newest load clears the indicator; an overtaken one ends quietly.
    auto finish = [&] {
        if (self && state_.loadGeneration == token)
            setLoading(false);
    };

    const FetchOutcome publicList = co_await fetchList(false, q);
    if (!self || publicList.cancelled || state_.loadGeneration != token) {
        finish();
        co_return;
    }
    const FetchOutcome commercial = co_await fetchList(true, q);
    if (!self || commercial.cancelled || state_.loadGeneration != token) {
        finish();
        co_return;
    }
    if (publicList.channels)
        state_.channels = *publicList.channels;
    if (commercial.channels)
        state_.commercialChannels = *commercial.channels;
    refresh();

    co_await stores.workplace->load(stores.session->uid());
    if (!self || state_.loadGeneration != token) {
        finish();
        co_return;
    }
    // A load that worked is the truth, "no company" included: a company the
    // user left must not linger in the session's copy. After a failed load the
    // store's membership, if any, still stands.
    const std::optional<WorkplaceMembership> membership = stores.workplace->membership();
    if (membership || !stores.workplace->lastError())
        stores.session->setWorkplace(membership);
    setErrorText(!publicList.channels && !commercial.channels ? std::optional(loadFailedText) : std::nullopt);
    finish();
}

void BrowseView::setLoading(bool loading)
{
    state_.loading = loading;
    refresh();
}
