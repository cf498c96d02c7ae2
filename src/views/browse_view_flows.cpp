// The browse screen's flows: joining through the company gate, the passkey
// prompt, the company-code sheet, quick-bar saves and the toast.
#include "views/browse_view.h"

#include "models/channel_math.h"
#include "platform/text_characters.h"
#include "services/block_store.h"
#include "services/friends_store.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "views/alert_dialog.h"
#include "views/icon_picker_sheet.h"
#include "views/passkey_prompt.h"
#include "views/quick_bar_slot_save.h"
#include "views/sheet_overlay.h"
#include "views/workplace_redeem_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

void BrowseView::buildPrompts()
{
    passkeyPrompt_ = new PasskeyPrompt(this);
    connect(passkeyPrompt_, &PasskeyPrompt::joinRequested, this, &BrowseView::onPasskeyJoin);
    connect(passkeyPrompt_, &PasskeyPrompt::cancelled, this, &BrowseView::clearPasskeyState);
    connect(passkeyPrompt_->field(), &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.passkeyInput = text; });

    errorAlert_ = new AlertDialog(QStringLiteral("Error"), this);
    errorAlert_->addButton(QStringLiteral("OK"));
    connect(errorAlert_, &QDialog::finished, this, [this] { setErrorText(std::nullopt); });

    blockedAlert_ = new AlertDialog(QStringLiteral("Employees only"), this);
    connect(blockedAlert_->addButton(QStringLiteral("Enter company code")), &QPushButton::clicked, this,
            &BrowseView::presentRedeem);
    blockedAlert_->addButton(QStringLiteral("OK"), true);
    connect(blockedAlert_, &QDialog::finished, this, [this] { state_.showCompanyJoinBlocked = false; });

    redeemSheet_ = new SheetOverlay(QStringLiteral("Company code"), this);
    connect(redeemSheet_, &SheetOverlay::dismissed, this, [this] { state_.showRedeem = false; });
}

// ---- Joining ----

void BrowseView::join(const Channel& channel)
{
    if (!canJoinCompanyChannel(channel)) {
        blockJoin(channel);
        return;
    }
    QCoro::connect(joinChannelNumber(channel.channelNumber, std::nullopt), this, [] {});
}

void BrowseView::blockJoin(const Channel& channel)
{
    state_.blockedCompanyName = BrowseLists::channelTitle(channel);
    state_.showCompanyJoinBlocked = true;
    blockedAlert_->setMessage(state_.blockedCompanyName.value_or(QStringLiteral("This company channel"))
                              + QStringLiteral(" is for employees only. Ask your employer for the company code,"
                                               " then enter it in Settings."));
    blockedAlert_->open();
    Q_EMIT stateChanged();
}

QCoro::Task<void> BrowseView::joinChannelNumber(qint64 number, std::optional<QString> passkey)
{
    QPointer<BrowseView> self(this);
    const AppStores stores = stores_;
    // A retune leaves any join still running behind, so the tuned channel is
    // always the one being joined.
    stores.radio->applyChannel(std::clamp(number, ChannelMath::minChannel, ChannelMath::maxChannel));
    if (stores.radio->isJoining()) {
        // This very channel's join still runs (a double-click's second tap):
        // that join reports. This one would only read its unfinished state and
        // the error an earlier join left.
        if (passkey)
            clearPasskeyState();
        co_return;
    }
    const quint64 generation = ++joinGeneration_;
    co_await stores.radio->join(stores.session->uid(), passkey, stores.session->chatDisplayName(),
                                stores.session->radioId(), stores.blocks->blockedUIDs());
    if (!self)
        co_return;
    // The prompt's join is over; its state goes, unless the prompt already asks again.
    if (passkey && !state_.showPasskeyPrompt)
        clearPasskeyState();
    if (generation != joinGeneration_)
        co_return;
    if (stores.radio->connectionState() == RadioSession::ConnectionState::connected) {
        showToast(QStringLiteral("Joined ") + stores.radio->displayFrequency(), timing_.toast);
        co_return;
    }
    // Every passkey refusal asks again, the same text as last time included.
    if (PasskeyPrompt::refusedForPasskey(*stores.radio)) {
        askForPasskey();
        co_return;
    }
    if (const std::optional<QString> error = stores.radio->lastError())
        showToast(*error, timing_.failedJoinToast);
}

void BrowseView::onLastErrorChanged()
{
    if (stores_.radio->lastError() == PasskeyPrompt::refusalText())
        askForPasskey();
}

void BrowseView::askForPasskey()
{
    if (state_.showPasskeyPrompt)
        return;
    state_.pendingJoinChannel = stores_.radio->channelNumber();
    state_.showPasskeyPrompt = true;
    passkeyPrompt_->present();
    Q_EMIT stateChanged();
}

void BrowseView::onPasskeyJoin(const QString& passkey)
{
    state_.showPasskeyPrompt = false;
    if (!state_.pendingJoinChannel) {
        clearPasskeyState();
        return;
    }
    QCoro::connect(joinChannelNumber(*state_.pendingJoinChannel, passkey), this, [] {});
}

void BrowseView::clearPasskeyState()
{
    state_.showPasskeyPrompt = false;
    passkeyPrompt_->field()->clear();
    state_.passkeyInput.clear();
    state_.pendingJoinChannel.reset();
    Q_EMIT stateChanged();
}

void BrowseView::presentRedeem()
{
    state_.showRedeem = true;
    // A fresh form each time; it closes the sheet once the company is joined.
    auto* redeem = new WorkplaceRedeemView(stores_.session, stores_.workplace);
    connect(redeem, &WorkplaceRedeemView::dismissRequested, redeemSheet_, &SheetOverlay::dismiss);
    redeemSheet_->setContent(redeem);
    redeemSheet_->present();
    Q_EMIT stateChanged();
}

// ---- Quick bar ----

void BrowseView::beginQuickAdd(const Channel& channel)
{
    state_.pendingQuickAdd = channel;
    state_.quickAddIconId = BrowseLists::quickAddIconId(channel);
    state_.quickAddIconCustom.reset();
    state_.showQuickAddIcon = true;
    auto* picker = new IconPickerSheet(state_.quickAddIconId, state_.quickAddIconCustom, QStringLiteral("Quick bar icon"));
    connect(picker, &IconPickerSheet::selectedIconIdChanged, this,
            [this](const QString& iconId) { state_.quickAddIconId = iconId; });
    connect(picker, &IconPickerSheet::customBase64Changed, this,
            [this](const std::optional<QString>& custom) { state_.quickAddIconCustom = custom; });
    // However the sheet closes, the channel is saved.
    iconSheet_ = presentIconPicker(this, picker, [this] {
        state_.showQuickAddIcon = false;
        if (state_.pendingQuickAdd)
            QCoro::connect(saveQuickAdd(*state_.pendingQuickAdd), this, [] {});
    });
    Q_EMIT stateChanged();
}

QCoro::Task<void> BrowseView::saveQuickAdd(Channel channel)
{
    QPointer<BrowseView> self(this);
    FriendsStore* friends = stores_.friends;
    QuickBarSlotRequest request;
    request.uid = stores_.session->uid();
    request.label = TextCharacters::prefix(BrowseLists::channelTitle(channel), kQuickBarLabelLength);
    request.channelNumber = channel.channelNumber;
    request.iconId = state_.quickAddIconId;
    request.iconCustom = state_.quickAddIconCustom;
    const bool saved = co_await saveQuickBarSlot(friends, request);
    if (!self)
        co_return;
    finishQuickAdd(saved ? QStringLiteral("Added ") + channel.displayFrequency
                         : friends->lastError().value_or(QStringLiteral("Failed")));
}

void BrowseView::finishQuickAdd(const QString& text)
{
    state_.pendingQuickAdd.reset();
    showToast(text, timing_.toast);
}

// ---- Toast and error ----

void BrowseView::showToast(const QString& text, std::chrono::milliseconds lifetime)
{
    state_.toast = text;
    refresh();
    // Every clear empties the toast, whichever text it shows by then.
    QTimer::singleShot(lifetime, this, &BrowseView::clearToast);
}

void BrowseView::clearToast()
{
    state_.toast.reset();
    refresh();
}

void BrowseView::setErrorText(std::optional<QString> text)
{
    if (text == state_.errorText)
        return;
    state_.errorText = std::move(text);
    if (state_.errorText) {
        errorAlert_->setMessage(*state_.errorText);
        errorAlert_->open();
    } else if (errorAlert_->isVisible()) {
        errorAlert_->close();
    }
    Q_EMIT stateChanged();
}
