#include "views/radio_quick_bar.h"

#include "platform/text_characters.h"
#include "services/friends_store.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "services/workplace_store.h"
#include "theme/theme_store.h"
#include "views/icon_picker_sheet.h"
#include "views/pro_quick_button.h"
#include "views/view_fonts.h"

#include <QCoroTask>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QHideEvent>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QString kDash = QStringLiteral("\u2014");
const QString kGear = QStringLiteral("\u2699\uFE0E");  // text presentation

QColor tint(float r, float g, float b)
{
    return QColor::fromRgbF(r, g, b);
}

using IconPair = std::pair<std::optional<QString>, std::optional<QString>>;

// The owned channel's icon; nothing when it cannot be fetched.
QCoro::Task<std::optional<IconPair>> fetchChannelIcon(QString uid, qint64 channel)
{
    try {
        const ChannelSettings settings = co_await TovrinAPI::shared().fetchChannelSettings(uid, channel);
        co_return IconPair{settings.iconId, settings.iconCustom};
    } catch (...) {
        co_return std::nullopt;
    }
}

// A refused or failed remove is ignored: the reload shows what the server kept.
QCoro::Task<void> removeThenReload(QPointer<FriendsStore> friends, QString uid, qint64 slotId)
{
    try {
        co_await TovrinAPI::shared().removeSavedChannel(uid, slotId);
    } catch (...) {
    }
    if (friends)
        co_await friends->load(uid);
}

QCoro::Task<void> updateIconThenReload(QPointer<FriendsStore> friends, QString uid, qint64 slotId, QString iconId,
                                       std::optional<QString> iconCustom)
{
    bool updated = false;
    try {
        co_await TovrinAPI::shared().updateSavedChannel(uid, slotId, iconId, iconCustom);
        updated = true;
    } catch (...) {
    }
    if (!friends)
        co_return;
    if (!updated) {
        friends->setLastError(QStringLiteral("Could not update icon"));
        co_return;
    }
    co_await friends->load(uid);
}

}  // namespace

RadioQuickBar::RadioQuickBar(const AppStores& stores, Actions actions, QWidget* parent)
    : QWidget(parent), stores_(stores), actions_(std::move(actions))
{
    setObjectName(QStringLiteral("RadioQuickBar"));
    title_ = new QLabel(QStringLiteral("CHANNELS"), this);
    title_->setFont(ViewFonts::font(10, QFont::Black, ViewFonts::Design::rounded));
    radioId_ = new QLabel(this);
    radioId_->setTextFormat(Qt::PlainText);
    radioId_->setFont(ViewFonts::font(10, QFont::Bold, ViewFonts::Design::monospaced));
    auto* header = new QHBoxLayout;
    header->setContentsMargins(2, 0, 2, 0);
    header->addWidget(title_);
    header->addStretch(1);
    header->addWidget(radioId_);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("QuickBarScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setStyleSheet(QStringLiteral("#QuickBarScroll, #QuickBarRow { background: transparent; }"));
    auto* rowWidget = new QWidget(scroll);
    rowWidget->setObjectName(QStringLiteral("QuickBarRow"));
    row_ = new QHBoxLayout(rowWidget);
    row_->setContentsMargins(2, 0, 2, 0);
    row_->setSpacing(8);
    scroll->setWidget(rowWidget);
    scroll->setFixedHeight(ProQuickButton::kHeight);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addLayout(header);
    column->addWidget(scroll);

    buildFixedButtons();

    SessionStore* session = stores_.session;
    connect(stores_.friends, &FriendsStore::savedSlotsChanged, this, &RadioQuickBar::rebuildRow);
    connect(session, &SessionStore::ownedChannelDisplayChanged, this, &RadioQuickBar::rebuildRow);
    connect(session, &SessionStore::workplaceChanged, this, &RadioQuickBar::rebuildRow);
    connect(session, &SessionStore::radioIdChanged, this, &RadioQuickBar::rebuildRow);
    connect(session, &SessionStore::ownedChannelNumberChanged, this, [this] {
        rebuildRow();
        loadMyChannelIcon();
    });
    connect(stores_.workplace, &WorkplaceStore::membershipChanged, this, &RadioQuickBar::rebuildRow);
    connect(stores_.radio, &RadioSession::displayFrequencyChanged, this, &RadioQuickBar::refreshAddFace);
    connect(stores_.theme, &ThemeStore::currentChanged, this, &RadioQuickBar::applyTheme);
    applyTheme();
    rebuildRow();
}

void RadioQuickBar::buildFixedButtons()
{
    const auto call = [](const std::function<void()>& action) {
        return [action] {
            if (action)
                action();
        };
    };
    home_ = new ProQuickButton({QStringLiteral("HOME"), QStringLiteral("1.001"), QStringLiteral("home"), std::nullopt,
                                tint(0.12f, 0.55f, 0.32f)},
                               call(actions_.goHome), {}, this);
    company_ = new ProQuickButton({QStringLiteral("CO"), QString(), QStringLiteral("company"), std::nullopt,
                                   tint(0.15f, 0.38f, 0.72f)},
                                  call(actions_.joinCompany), {}, this);
    my_ = new ProQuickButton({QStringLiteral("MY"), kDash, myIconId_, std::nullopt, tint(0.92f, 0.48f, 0.08f)},
                             call(actions_.joinMyChannel), {}, this);
    add_ = new ProQuickButton({QStringLiteral("ADD CH"), QString(), QStringLiteral("add"), std::nullopt,
                               tint(0.38f, 0.40f, 0.44f)},
                              call(actions_.showAddChannel), {}, this);
    setup_ = new ProQuickButton({QStringLiteral("SETUP"), kGear, QStringLiteral("setup"), std::nullopt,
                                 tint(0.32f, 0.34f, 0.38f)},
                                call(actions_.showChannelSettings), {}, this);
}

QList<ProQuickButton*> RadioQuickBar::buttons() const
{
    QList<ProQuickButton*> list;
    for (int i = 0; i < row_->count(); ++i) {
        if (auto* button = qobject_cast<ProQuickButton*>(row_->itemAt(i)->widget()))
            list << button;
    }
    return list;
}

QMessageBox* RadioQuickBar::removeAlert() const
{
    return removeAlert_;
}

IconPickerSheet* RadioQuickBar::iconPicker() const
{
    return iconPicker_;
}

QString RadioQuickBar::shortLabel(const QString& label)
{
    return TextCharacters::prefix(label, 6).toUpper();
}

QString RadioQuickBar::removeMessage(const SavedChannelSlot& slot)
{
    return QStringLiteral("Remove %1 (%2) from your quick bar?").arg(slot.label, slot.displayFrequency.value_or(kDash));
}

// ---- The row ----

void RadioQuickBar::rebuildRow()
{
    SessionStore* session = stores_.session;
    radioId_->setText(session->radioId());
    radioId_->setVisible(!session->radioId().isEmpty());

    const auto company = currentMembership(stores_.workplace, session);
    if (company) {
        company_->setFace({QStringLiteral("CO"), company->displayFrequency,
                           company->iconId.value_or(QStringLiteral("company")), company->iconCustom,
                           company_->face().tint});
    }
    const bool owns = session->ownedChannelNumber().has_value();
    my_->setFace({QStringLiteral("MY"), session->ownedChannelDisplay().value_or(kDash), myIconId_, myIconCustom_,
                  my_->face().tint});
    my_->setEnabled(owns);
    refreshAddFace();

    while (row_->count() > 0)
        delete row_->takeAt(0);
    QMap<qint64, ProQuickButton*> kept;
    row_->addWidget(home_);
    if (company)
        row_->addWidget(company_);
    row_->addWidget(my_);
    for (const SavedChannelSlot& slot : stores_.friends->savedSlots()) {
        ProQuickButton* button = slotButton(slot);
        kept.insert(slot.id, button);
        row_->addWidget(button);
    }
    row_->addWidget(add_);
    if (owns)
        row_->addWidget(setup_);
    row_->addStretch(1);
    company_->setVisible(company.has_value());
    setup_->setVisible(owns);

    // A button that leaves the row takes its press state with it.
    for (auto it = slotButtons_.begin(); it != slotButtons_.end(); ++it) {
        if (!kept.contains(it.key()))
            it.value()->deleteLater();
    }
    slotButtons_ = kept;
}

void RadioQuickBar::refreshAddFace()
{
    add_->setFace({QStringLiteral("ADD CH"), stores_.radio->displayFrequency(), QStringLiteral("add"), std::nullopt,
                   add_->face().tint});
}

ProQuickButton* RadioQuickBar::slotButton(const SavedChannelSlot& slot)
{
    const ProQuickButton::Face face{shortLabel(slot.label), slot.displayFrequency.value_or(kDash),
                                    slot.iconId.value_or(QStringLiteral("radio")), slot.iconCustom,
                                    tint(0.22f, 0.42f, 0.78f)};
    if (ProQuickButton* existing = slotButtons_.value(slot.id)) {
        existing->setFace(face);
        existing->setProperty("slotId", slot.id);
        return existing;
    }
    // The actions read the slot as the store holds it when they run.
    const qint64 id = slot.id;
    const auto current = [this, id]() -> std::optional<SavedChannelSlot> {
        for (const SavedChannelSlot& s : stores_.friends->savedSlots()) {
            if (s.id == id)
                return s;
        }
        return std::nullopt;
    };
    auto* button = new ProQuickButton(
        face,
        [this, current] {
            if (const auto s = current(); s && actions_.joinFriend)
                actions_.joinFriend(*s);
        },
        [this, current] {
            if (const auto s = current())
                askToRemove(*s);
        },
        this);
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this, [this, button, current](const QPoint& pos) {
        if (const auto s = current()) {
            QMenu* menu = slotMenu(*s, this);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(button->mapToGlobal(pos));
        }
    });
    return button;
}

void RadioQuickBar::applyTheme()
{
    const QColor muted = stores_.theme->current().onBodyMuted();
    for (QLabel* label : {title_, radioId_}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, muted);
        label->setPalette(palette);
    }
}

// ---- Loading ----

void RadioQuickBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    reloadSlots();
    loadMyChannelIcon();
}

void RadioQuickBar::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    // Off screen the bar loads nothing; an icon fetch still running is dropped.
    ++myIconGeneration_;
}

void RadioQuickBar::setRefreshToken(int token)
{
    if (token == refreshToken_)
        return;
    refreshToken_ = token;
    reloadSlots();
}

void RadioQuickBar::reloadSlots()
{
    // The store applies only its newest load's reply; a hidden bar reloads
    // when it comes back on screen.
    if (!isVisible())
        return;
    QCoro::connect(stores_.friends->load(stores_.session->uid()), this, [] {});
}

void RadioQuickBar::loadMyChannelIcon()
{
    // Only the newest fetch may set the icon: losing the owned channel, or
    // leaving the screen, drops one still running.
    const int generation = ++myIconGeneration_;
    const auto owned = stores_.session->ownedChannelNumber();
    if (!owned || !isVisible())
        return;
    QCoro::connect(fetchChannelIcon(stores_.session->uid(), *owned), this,
                   [this, generation](const std::optional<IconPair>& icon) {
                       if (generation != myIconGeneration_ || !icon)
                           return;
                       myIconId_ = icon->first.value_or(QStringLiteral("star"));
                       myIconCustom_ = icon->second;
                       rebuildRow();
                   });
}

// ---- Slot actions ----

QMenu* RadioQuickBar::slotMenu(const SavedChannelSlot& slot, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Change icon"), this, [this, slot] { changeIcon(slot); });
    QAction* remove = menu->addAction(QStringLiteral("Remove from quick bar"), this, [this, slot] { askToRemove(slot); });
    remove->setProperty("destructive", true);
    return menu;
}

void RadioQuickBar::askToRemove(const SavedChannelSlot& slot)
{
    if (removeAlert_)
        removeAlert_->close();
    slotPendingDelete_ = slot;
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Remove channel?"), removeMessage(slot),
                                QMessageBox::NoButton, window());
    box->setTextFormat(Qt::PlainText);
    box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    QAbstractButton* remove = box->addButton(QStringLiteral("Remove"), QMessageBox::DestructiveRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, remove] {
        if (box->clickedButton() == remove)
            removePending();
        else
            slotPendingDelete_.reset();
    });
    removeAlert_ = box;
    box->open();
}

void RadioQuickBar::removePending()
{
    if (!slotPendingDelete_)
        return;
    const qint64 slotId = slotPendingDelete_->id;
    slotPendingDelete_.reset();
    QCoro::connect(removeThenReload(stores_.friends, stores_.session->uid(), slotId), this, [] {});
}

void RadioQuickBar::changeIcon(const SavedChannelSlot& slot)
{
    editingSlot_ = slot;
    slotIconId_ = slot.iconId.value_or(QStringLiteral("radio"));
    slotIconCustom_ = slot.iconCustom;
    auto* picker = new IconPickerSheet(slotIconId_, slotIconCustom_, QStringLiteral("Channel icon"));
    connect(picker, &IconPickerSheet::selectedIconIdChanged, this, [this](const QString& id) { slotIconId_ = id; });
    connect(picker, &IconPickerSheet::customBase64Changed, this,
            [this](const std::optional<QString>& custom) { slotIconCustom_ = custom; });
    iconPicker_ = picker;
    presentIconPicker(this, picker, [self = QPointer<RadioQuickBar>(this)] {
        if (self)
            self->sendSlotIcon();
    });
}

void RadioQuickBar::sendSlotIcon()
{
    // Every close sends, changed or not.
    if (!editingSlot_)
        return;
    QCoro::connect(updateIconThenReload(stores_.friends, stores_.session->uid(), editingSlot_->id, slotIconId_,
                                        slotIconCustom_),
                   this, [] {});
}
