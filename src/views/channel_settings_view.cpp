#include "views/channel_settings_view.h"

#include "platform/symbol_image.h"
#include "platform/tovrin_haptics.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "theme/system_colors.h"
#include "theme/quick_bar_icons.h"
#include "views/busy_indicator.h"
#include "views/channel_ban_list.h"
#include "views/face_label.h"
#include "views/icon_picker_sheet.h"
#include "views/view_fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr double kDefaultMaxTalkers = 100.0;

struct PolicyOption {
    const char* label;
    const char* value;
};
constexpr PolicyOption kPolicies[] = {
    {"Open — anyone can join", "open"},
    {"Allowlist only", "allowlist"},
    {"Passkey required", "passkey"},
};

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QColor secondary()
{
    return systemColor(SystemColor::Gray);
}

void clearRows(QVBoxLayout* rows)
{
    while (QLayoutItem* item = rows->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // Out of the tree at once, so the rows read back are the new ones.
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
}

}  // namespace

ChannelSettingsView::ChannelSettingsView(qint64 channelNumber, SessionStore* session, QWidget* parent)
    : QWidget(parent), channelNumber_(channelNumber), session_(session), bans_(new ChannelBanList(this))
{
    setObjectName(QStringLiteral("ChannelSettingsView"));

    closeButton_ = new QPushButton(QStringLiteral("Close"), this);
    saveButton_ = new QPushButton(QStringLiteral("Save"), this);
    for (QPushButton* button : {closeButton_, saveButton_}) {
        button->setAutoDefault(false);
        button->setFlat(true);
    }
    saveButton_->setFont(ViewFonts::font(15, QFont::DemiBold));
    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(closeButton_);
    toolbar->addStretch(1);
    toolbar->addWidget(saveButton_);

    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(16);

    loadingRow_ = new QWidget(page);
    auto* loadingLayout = new QVBoxLayout(loadingRow_);
    loadingLayout->addWidget(plainLabel(QStringLiteral("Loading…"), loadingRow_));
    loadingLayout->addWidget(makeBusyIndicator(loadingRow_));
    pageLayout->addWidget(loadingRow_);

    form_ = new QWidget(page);
    auto* formLayout = new QVBoxLayout(form_);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->setSpacing(16);
    for (QWidget* part : {buildYourRadio(), buildIdentity(), buildIcon(), buildAccess(), buildAllowlist(), buildBans()})
        formLayout->addWidget(part);
    pageLayout->addWidget(form_);

    messageSection_ = new QWidget(page);
    auto* messageLayout = new QVBoxLayout(messageSection_);
    messageLabel_ = plainLabel(QString(), messageSection_);
    setTextColour(messageLabel_, secondary());
    messageLayout->addWidget(messageLabel_);
    pageLayout->addWidget(messageSection_);
    pageLayout->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(toolbar);
    layout->addWidget(scroll, 1);

    connect(closeButton_, &QPushButton::clicked, this, &ChannelSettingsView::closeRequested);
    connect(saveButton_, &QPushButton::clicked, this, [this] { QCoro::connect(save(), this, [] {}); });
    // The desktop's refresh key stands in for pulling the form down: it reloads the ban list only.
    auto* refresh = new QShortcut(QKeySequence::Refresh, this);
    refresh->setContext(Qt::WidgetWithChildrenShortcut);
    connect(refresh, &QShortcut::activated, this, [this] { QCoro::connect(loadBans(), this, [] {}); });

    updateVisibility();
}

// ---- Sections ----

QWidget* ChannelSettingsView::section(const QString& header, const QString& footer, QVBoxLayout*& rows)
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(4, 0, 4, 0);
    column->setSpacing(6);
    if (!header.isEmpty()) {
        QLabel* title = plainLabel(header.toUpper(), box);
        title->setFont(ViewFonts::caption());
        setTextColour(title, secondary());
        column->addWidget(title);
    }
    auto* card = new QWidget(box);
    card->setObjectName(QStringLiteral("SettingsCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("#SettingsCard { background: white; border-radius: 10px; }"));
    rows = new QVBoxLayout(card);
    rows->setContentsMargins(12, 10, 12, 10);
    rows->setSpacing(8);
    column->addWidget(card);
    if (!footer.isEmpty()) {
        QLabel* note = plainLabel(footer, box);
        note->setFont(ViewFonts::caption());
        setTextColour(note, secondary());
        column->addWidget(note);
    }
    return box;
}

QWidget* ChannelSettingsView::buildYourRadio()
{
    QVBoxLayout* rows = nullptr;
    QWidget* box = section(QStringLiteral("Your radio"), QString(), rows);
    radioIdValue_ = plainLabel(QString(), box);
    frequencyValue_ = plainLabel(QString(), box);
    for (auto [name, value] : {std::pair{QStringLiteral("Radio ID"), radioIdValue_},
                               std::pair{QStringLiteral("Frequency"), frequencyValue_}}) {
        auto* row = new QHBoxLayout;
        row->addWidget(plainLabel(name, box));
        row->addStretch(1);
        value->setWordWrap(false);
        setTextColour(value, secondary());
        row->addWidget(value);
        rows->addLayout(row);
    }
    return box;
}

QWidget* ChannelSettingsView::buildIdentity()
{
    QVBoxLayout* rows = nullptr;
    QWidget* box = section(QStringLiteral("Channel identity"), QString(), rows);
    nameField_ = new QLineEdit(box);
    nameField_->setPlaceholderText(QStringLiteral("Channel name"));
    nameField_->setAccessibleName(QStringLiteral("Channel name"));
    rows->addWidget(nameField_);
    return box;
}

QWidget* ChannelSettingsView::buildIcon()
{
    QVBoxLayout* rows = nullptr;
    QWidget* box = section(QStringLiteral("Quick bar icon"), QString(), rows);
    iconButton_ = new QPushButton(box);
    iconButton_->setFlat(true);
    iconButton_->setAccessibleName(QStringLiteral("MY CH button icon"));
    auto* row = new QHBoxLayout(iconButton_);
    row->setContentsMargins(0, 0, 0, 0);
    iconTile_ = new QuickBarIconView(iconId_, iconCustom_, 36, iconButton_);
    iconTile_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(iconTile_);
    row->addWidget(plainLabel(QStringLiteral("MY CH button icon"), iconButton_));
    row->addStretch(1);
    auto* chevron = new QLabel(iconButton_);
    chevron->setPixmap(SymbolImage::render(QStringLiteral("chevron.right"), 12,
                                           systemColor(SystemColor::Gray, 0.6), devicePixelRatioF()));
    row->addWidget(chevron);
    iconButton_->setMinimumHeight(36);
    rows->addWidget(iconButton_);
    QLabel* hint = plainLabel(QStringLiteral("Shows on your MY quick bar button. Upload a logo or pick Mario, Sonic, etc."),
                              box);
    hint->setFont(ViewFonts::caption());
    setTextColour(hint, secondary());
    rows->addWidget(hint);
    connect(iconButton_, &QPushButton::clicked, this, &ChannelSettingsView::presentIconPicker);
    return box;
}

QWidget* ChannelSettingsView::buildAccess()
{
    QVBoxLayout* rows = nullptr;
    QWidget* box = section(QStringLiteral("Access control"),
                           QStringLiteral("Turn on List in Browse so people can find your channel."), rows);
    listedToggle_ = new QCheckBox(QStringLiteral("List in Browse (public)"), box);
    rows->addWidget(listedToggle_);

    auto* policyRow = new QHBoxLayout;
    policyRow->addWidget(plainLabel(QStringLiteral("Who can join"), box));
    joinPolicyPicker_ = new QComboBox(box);
    joinPolicyPicker_->setAccessibleName(QStringLiteral("Who can join"));
    for (const PolicyOption& option : kPolicies)
        joinPolicyPicker_->addItem(QString::fromUtf8(option.label), QString::fromLatin1(option.value));
    policyRow->addWidget(joinPolicyPicker_, 1);
    rows->addLayout(policyRow);
    connect(joinPolicyPicker_, &QComboBox::activated, this,
            [this](int index) { joinPolicy_ = joinPolicyPicker_->itemData(index).toString(); });

    lockedToggle_ = new QCheckBox(QStringLiteral("Locked"), box);
    rows->addWidget(lockedToggle_);

    passkeyField_ = new QLineEdit(box);
    passkeyField_->setPlaceholderText(QStringLiteral("Passkey (optional)"));
    passkeyField_->setAccessibleName(QStringLiteral("Passkey (optional)"));
    passkeyField_->setEchoMode(QLineEdit::Password);
    rows->addWidget(passkeyField_);

    maxTalkersLabel_ = plainLabel(QString(), box);
    maxTalkersSlider_ = new QSlider(Qt::Horizontal, box);
    maxTalkersSlider_->setRange(1, 100);
    maxTalkersSlider_->setSingleStep(1);
    maxTalkersSlider_->setAccessibleName(QStringLiteral("Max talkers"));
    connect(maxTalkersSlider_, &QSlider::valueChanged, this, [this](int value) {
        maxTalkersLabel_->setText(QStringLiteral("Max talkers: ") + QString::number(value));
    });
    maxTalkersSlider_->setValue(int(kDefaultMaxTalkers));
    maxTalkersLabel_->setText(QStringLiteral("Max talkers: ") + QString::number(maxTalkersSlider_->value()));
    rows->addWidget(maxTalkersLabel_);
    rows->addWidget(maxTalkersSlider_);
    setJoinPolicy(joinPolicy_);
    return box;
}

QWidget* ChannelSettingsView::buildAllowlist()
{
    QVBoxLayout* rows = nullptr;
    QWidget* box = section(QStringLiteral("Allowlist (radio IDs)"),
                           QStringLiteral("Only listed radio IDs can join when policy is Allowlist. Add IDs above and tap Save."),
                           rows);
    allowField_ = new QLineEdit(box);
    allowField_->setPlaceholderText(QStringLiteral("Q-XXXXXX"));
    allowField_->setAccessibleName(QStringLiteral("Q-XXXXXX"));
    rows->addWidget(allowField_);
    allowRows_ = new QVBoxLayout;
    allowRows_->setSpacing(6);
    rows->addLayout(allowRows_);
    return box;
}

QWidget* ChannelSettingsView::buildBans()
{
    QVBoxLayout* rows = nullptr;
    QWidget* box = section(QStringLiteral("Banned users"),
                           QStringLiteral("Banned users cannot rejoin your channel. Unban here if you banned someone by mistake."),
                           rows);
    banRows_ = rows;
    rebuildBans();
    connect(bans_, &ChannelBanList::changed, this, &ChannelSettingsView::rebuildBans);
    return box;
}

// ---- State ----

void ChannelSettingsView::setLoading(bool loading)
{
    loading_ = loading;
    updateVisibility();
}

void ChannelSettingsView::setSaving(bool saving)
{
    saving_ = saving;
    updateVisibility();
}

void ChannelSettingsView::setMessage(const QString& text)
{
    message_ = text;
    messageLabel_->setText(text);
    updateVisibility();
}

void ChannelSettingsView::setJoinPolicy(const QString& policy)
{
    joinPolicy_ = policy;
    // A policy the picker does not offer stays as it is and selects nothing.
    joinPolicyPicker_->setCurrentIndex(joinPolicyPicker_->findData(policy));
}

void ChannelSettingsView::setSettings(const ChannelSettings& settings)
{
    settings_ = settings;
    frequencyValue_->setText(settings.displayFrequency);
    radioIdValue_->setText(session_ ? session_->radioId() : QString());
    clearRows(allowRows_);
    for (const AllowlistEntry& entry : settings.allowlist) {
        QLabel* row = plainLabel(entry.radioId, form_);
        row->setObjectName(QStringLiteral("AllowlistRow"));
        allowRows_->addWidget(row);
    }
    updateVisibility();
}

void ChannelSettingsView::applyLoaded(const ChannelSettings& settings)
{
    setSettings(settings);
    nameField_->setText(settings.name.value_or(QString()));
    maxTalkersSlider_->setValue(int(settings.maxTalkers));
    setJoinPolicy(settings.joinPolicy);
    lockedToggle_->setChecked(settings.isLocked);
    listedToggle_->setChecked(settings.listedPublic);
    setIconChoice(settings.iconId.value_or(QStringLiteral("star")), settings.iconCustom);
}

void ChannelSettingsView::setIconChoice(const QString& iconId, const std::optional<QString>& iconCustom)
{
    iconId_ = iconId;
    iconCustom_ = iconCustom;
    iconTile_->setIcon(iconId_, iconCustom_);
}

void ChannelSettingsView::presentIconPicker()
{
    showIconPicker_ = true;
    auto* picker = new IconPickerSheet(iconId_, iconCustom_, QStringLiteral("MY CH icon"), IconGridColumns{64, 10});
    connect(picker, &IconPickerSheet::selectedIconIdChanged, this,
            [this](const QString& iconId) { setIconChoice(iconId, iconCustom_); });
    connect(picker, &IconPickerSheet::customBase64Changed, this,
            [this](const std::optional<QString>& custom) { setIconChoice(iconId_, custom); });
    // The choice stays in the form; only "Save" sends it.
    ::presentIconPicker(this, picker, [self = QPointer<ChannelSettingsView>(this)] {
        if (self)
            self->showIconPicker_ = false;
    });
}

void ChannelSettingsView::rebuildBans()
{
    clearRows(banRows_);
    if (bans_->loading()) {
        banRows_->addWidget(makeBusyIndicator(form_));
        return;
    }
    for (const ChannelBanEntry& entry : bans_->entries()) {
        auto* row = new QWidget(form_);
        row->setObjectName(QStringLiteral("BanRow"));
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* names = new QVBoxLayout;
        names->setSpacing(2);
        names->addWidget(plainLabel(entry.chatNickname(), row));
        if (!entry.radioId.isEmpty()) {
            QLabel* radioId = plainLabel(entry.radioId, row);
            radioId->setFont(ViewFonts::font(12, QFont::Normal, ViewFonts::Design::monospaced));
            setTextColour(radioId, secondary());
            names->addWidget(radioId);
        }
        line->addLayout(names);
        line->addStretch(1);
        auto* button = new QPushButton(QStringLiteral("Unban"), row);
        button->setFont(ViewFonts::caption(QFont::Bold));
        button->setAutoDefault(false);
        line->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, entry] { QCoro::connect(unban(entry), this, [] {}); });
        banRows_->addWidget(row);
    }
    // After a failed load the last list stays, with a word that it may be stale.
    if (bans_->failed() || bans_->entries().empty()) {
        QLabel* status = plainLabel(bans_->failed() ? ChannelBanList::loadFailedText() : nobodyBannedText(), form_);
        status->setObjectName(QStringLiteral("BansStatus"));
        setTextColour(status, secondary());
        banRows_->addWidget(status);
    }
}

void ChannelSettingsView::updateVisibility()
{
    loadingRow_->setVisible(loading_);
    form_->setVisible(!loading_ && settings_.has_value());
    messageSection_->setVisible(!loading_ && message_.has_value());
    // Saving with nothing loaded would write the blank form over the channel's real settings.
    saveButton_->setEnabled(!loading_ && !saving_ && settings_.has_value());
}

void ChannelSettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (loadStarted_)
        return;
    loadStarted_ = true;
    QCoro::connect(load(), this, [] {});
}

// ---- Operations ----

QJsonObject ChannelSettingsView::payload() const
{
    QJsonObject body{
        {"name", nameField_->text()},
        {"max_talkers", qint64(maxTalkersSlider_->value())},
        {"join_policy", joinPolicy_},
        {"is_locked", lockedToggle_->isChecked()},
        {"listed_public", listedToggle_->isChecked()},
        {"icon_id", iconId_},
    };
    if (iconCustom_)
        body.insert(QStringLiteral("icon_custom"), *iconCustom_);
    if (!passkeyField_->text().isEmpty())
        body.insert(QStringLiteral("passkey"), passkeyField_->text());
    // One radio ID: blanks around it are no part of it, and blanks alone are no ID.
    const QString allow = allowField_->text().trimmed();
    if (!allow.isEmpty())
        body.insert(QStringLiteral("allow_add"), QJsonArray{allow.toUpper()});
    return body;
}

QCoro::Task<void> ChannelSettingsView::load()
{
    QPointer<ChannelSettingsView> self(this);
    const quint64 generation = ++loadGeneration_;
    setLoading(true);
    const QString uid = session_ ? session_->uid() : QString();
    std::optional<ChannelSettings> loaded;
    try {
        loaded = co_await TovrinAPI::shared().fetchChannelSettings(uid, channelNumber_);
    } catch (...) {
    }
    if (!self || generation != loadGeneration_)
        co_return;
    if (!loaded) {
        setMessage(loadFailedText());
        setLoading(false);
        co_return;
    }
    applyLoaded(*loaded);
    co_await loadBans();
    if (self && generation == loadGeneration_)
        setLoading(false);
}

QCoro::Task<void> ChannelSettingsView::save()
{
    QPointer<ChannelSettingsView> self(this);
    setSaving(true);
    const QString uid = session_ ? session_->uid() : QString();
    const QJsonObject body = payload();
    std::optional<ChannelSettings> saved;
    try {
        saved = co_await TovrinAPI::shared().updateChannelSettings(uid, channelNumber_, body);
    } catch (...) {
    }
    if (!self)
        co_return;
    if (!saved) {
        setMessage(saveFailedText());
        setSaving(false);
        co_return;
    }
    setSettings(*saved);
    allowField_->clear();
    passkeyField_->clear();
    setMessage(savedText());
    TovrinHaptics::medium();
    setSaving(false);
}

QCoro::Task<void> ChannelSettingsView::loadBans()
{
    return bans_->load(session_ ? session_->uid() : QString(), channelNumber_);
}

QCoro::Task<void> ChannelSettingsView::unban(ChannelBanEntry entry)
{
    QPointer<ChannelSettingsView> self(this);
    const QString uid = session_ ? session_->uid() : QString();
    bool lifted = false;
    try {
        co_await TovrinAPI::shared().unbanFromChannel(uid, channelNumber_, entry.uid);
        lifted = true;
    } catch (...) {
    }
    if (!self)
        co_return;
    if (!lifted) {
        setMessage(unbanFailedText());
        co_return;
    }
    co_await loadBans();
    if (!self)
        co_return;
    setMessage(QStringLiteral("Unbanned ") + entry.chatNickname());
    TovrinHaptics::medium();
}

// ---- Read-outs ----

QStringList ChannelSettingsView::allowlistTexts() const
{
    QStringList texts;
    for (const QLabel* row : form_->findChildren<QLabel*>(QStringLiteral("AllowlistRow")))
        texts << row->text();
    return texts;
}

QStringList ChannelSettingsView::bannedTexts() const
{
    QStringList texts;
    for (const QWidget* row : form_->findChildren<QWidget*>(QStringLiteral("BanRow"))) {
        QStringList parts;
        for (const QLabel* label : row->findChildren<QLabel*>())
            parts << label->text();
        texts << parts.join(QLatin1Char(' '));
    }
    return texts;
}

QString ChannelSettingsView::bansStatusText() const
{
    const QLabel* status = form_->findChild<QLabel*>(QStringLiteral("BansStatus"));
    return status ? status->text() : QString();
}

bool ChannelSettingsView::isLoadingBans() const
{
    return bans_->loading();
}

const std::vector<ChannelBanEntry>& ChannelSettingsView::banned() const
{
    return bans_->entries();
}

QList<QPushButton*> ChannelSettingsView::unbanButtons() const
{
    QList<QPushButton*> buttons;
    for (const QWidget* row : form_->findChildren<QWidget*>(QStringLiteral("BanRow")))
        buttons << row->findChild<QPushButton*>();
    return buttons;
}

QString ChannelSettingsView::formState() const
{
    if (loading_)
        return QStringLiteral("loading");
    return settings_ ? QStringLiteral("loaded") : QStringLiteral("not loaded");
}

QString ChannelSettingsView::messageText() const
{
    return messageSection_->isHidden() ? QString() : messageLabel_->text();
}
