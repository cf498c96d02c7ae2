#include "views/add_quick_channel_view.h"

#include "models/channel_math.h"
#include "platform/symbol_image.h"
#include "platform/text_characters.h"
#include "platform/tovrin_haptics.h"
#include "services/friends_store.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "theme/quick_bar_icons.h"
#include "theme/system_colors.h"
#include "views/find_radio_view.h"
#include "views/icon_picker_sheet.h"
#include "views/quick_bar_slot_save.h"
#include "views/plain_label.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

AddQuickChannelView::AddQuickChannelView(const AppStores& stores, QWidget* parent)
    : QWidget(parent), stores_(stores)
{
    setObjectName(QStringLiteral("AddQuickChannelView"));
    stack_ = new QStackedWidget(this);
    form_ = buildForm();
    stack_->addWidget(form_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(stack_);
    frequency_->setText(stores_.radio->displayFrequency());
    updateAddButton();
}

QWidget* AddQuickChannelView::buildForm()
{
    auto* form = new QWidget(this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), form);
    cancel_->setFlat(true);
    cancel_->setFocusPolicy(Qt::NoFocus);
    connect(cancel_, &QPushButton::clicked, this, &AddQuickChannelView::closeRequested);
    findFriend_ = new QPushButton(QStringLiteral("Find friend"), form);
    findFriend_->setFlat(true);
    findFriend_->setFont(ViewFonts::caption());
    findFriend_->setFocusPolicy(Qt::NoFocus);
    connect(findFriend_, &QPushButton::clicked, this, &AddQuickChannelView::pushFindRadio);
    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(cancel_);
    toolbar->addStretch(1);
    toolbar->addWidget(findFriend_);

    const QColor secondary = systemColor(SystemColor::Gray);
    frequency_ = new QLineEdit(form);
    frequency_->setPlaceholderText(QStringLiteral("Frequency"));
    frequency_->setFont(ViewFonts::font(17, QFont::Normal, ViewFonts::Design::monospaced));
    frequency_->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    connect(frequency_, &QLineEdit::textChanged, this, &AddQuickChannelView::updateAddButton);
    label_ = new QLineEdit(form);
    label_->setPlaceholderText(QStringLiteral("Button label (optional)"));

    iconButton_ = new QPushButton(form);
    iconButton_->setObjectName(QStringLiteral("AddChannelIcon"));
    iconButton_->setFocusPolicy(Qt::NoFocus);
    iconButton_->setStyleSheet(QStringLiteral("#AddChannelIcon { background: white; border: none; border-radius: 10px; }"));
    iconView_ = new QuickBarIconView(iconId_, iconCustom_, 40, iconButton_);
    iconLabel_ = plainLabel(QString(), ViewFonts::font(17), systemColor(SystemColor::Label), iconButton_, true);
    auto* chevron = new QLabel(iconButton_);
    chevron->setPixmap(SymbolImage::render(QStringLiteral("chevron.right"), 12, systemColor(SystemColor::Gray, 0.6), 2.0));
    auto* iconRow = new QHBoxLayout(iconButton_);
    iconRow->setContentsMargins(12, 6, 12, 6);
    iconRow->addWidget(iconView_);
    iconRow->addWidget(iconLabel_);
    iconRow->addStretch(1);
    iconRow->addWidget(chevron);
    for (QLabel* label : iconButton_->findChildren<QLabel*>())
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    iconButton_->setMinimumHeight(iconRow->sizeHint().height());
    connect(iconButton_, &QPushButton::clicked, this, &AddQuickChannelView::openIconPicker);

    errorRow_ = makeErrorRow(form);
    add_ = new QPushButton(QStringLiteral("Add to quick bar"), form);
    add_->setFocusPolicy(Qt::NoFocus);
    connect(add_, &QPushButton::clicked, this, [this] { QCoro::connect(save(), this, [] {}); });

    auto* column = new QVBoxLayout(form);
    column->setContentsMargins(4, 0, 4, 4);
    column->setSpacing(10);
    column->addLayout(toolbar);
    column->addWidget(plainLabel(
        QStringLiteral("Loaded from your tuner — tap Add to save this channel, or change the frequency first."),
        ViewFonts::font(15), secondary, form, true));
    column->addWidget(
        plainLabel(QStringLiteral("Channel"), ViewFonts::caption(QFont::DemiBold), secondary, form, true));
    column->addWidget(frequency_);
    column->addWidget(label_);
    column->addWidget(plainLabel(QStringLiteral("Icon"), ViewFonts::caption(QFont::DemiBold), secondary, form, true));
    column->addWidget(iconButton_);
    column->addWidget(errorRow_);
    column->addWidget(add_);
    column->addStretch(1);
    setIcon(iconId_, iconCustom_);
    return form;
}

FindRadioView* AddQuickChannelView::findRadio() const
{
    return qobject_cast<FindRadioView*>(stack_->currentWidget());
}

void AddQuickChannelView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && stack_->currentWidget() == form_)
        frequency_->setText(stores_.radio->displayFrequency());
}

void AddQuickChannelView::showForm()
{
    // Coming back to the form loads the tuner's frequency again.
    QWidget* pushed = stack_->currentWidget();
    stack_->setCurrentWidget(form_);
    frequency_->setText(stores_.radio->displayFrequency());
    if (pushed && pushed != form_) {
        stack_->removeWidget(pushed);
        pushed->deleteLater();
    }
}

void AddQuickChannelView::pushFindRadio()
{
    auto* find = new FindRadioView(stores_.session, stores_.friends, stack_);
    find->setTitleVisible(true);
    // Closing the pushed search, or its save, goes back to this form.
    connect(find, &FindRadioView::closeRequested, this, &AddQuickChannelView::showForm);
    stack_->addWidget(find);
    stack_->setCurrentWidget(find);
}

void AddQuickChannelView::openIconPicker()
{
    auto* picker = new IconPickerSheet(iconId_, iconCustom_, QStringLiteral("Channel icon"));
    connect(picker, &IconPickerSheet::selectedIconIdChanged, this,
            [this](const QString& id) { setIcon(id, iconCustom_); });
    connect(picker, &IconPickerSheet::customBase64Changed, this,
            [this](const std::optional<QString>& custom) { setIcon(iconId_, custom); });
    presentIconPicker(this, picker, {});
}

void AddQuickChannelView::setIcon(const QString& iconId, const std::optional<QString>& iconCustom)
{
    iconId_ = iconId;
    iconCustom_ = iconCustom;
    iconView_->setIcon(iconId_, iconCustom_);
    iconLabel_->setText(QuickBarIconCatalog::item(iconId_).label);
}

QCoro::Task<void> AddQuickChannelView::save()
{
    const QString entered = frequency_->text();
    const std::optional<qint64> channel = ChannelMath::number(TextCharacters::trimmedBlanks(entered));
    if (!channel) {
        setErrorText(QStringLiteral("Invalid frequency format (use e.g. 1.001)"));
        co_return;
    }
    setSaving(true);
    const QString label = TextCharacters::trimmedBlanks(label_->text());
    QuickBarSlotRequest request;
    request.uid = stores_.session->uid();
    request.label = label.isEmpty() ? entered : TextCharacters::prefix(label, kQuickBarLabelLength);
    request.channelNumber = *channel;
    request.iconId = iconId_;
    request.iconCustom = iconCustom_;

    QPointer<AddQuickChannelView> self(this);
    FriendsStore* friends = stores_.friends;
    const bool saved = co_await saveQuickBarSlot(friends, request);
    if (saved)
        TovrinHaptics::medium();
    if (!self)
        co_return;
    if (saved)
        Q_EMIT closeRequested();
    else
        setErrorText(friends->lastError());
    setSaving(false);
}

void AddQuickChannelView::setSaving(bool saving)
{
    saving_ = saving;
    add_->setText(saving ? QStringLiteral("Adding…") : QStringLiteral("Add to quick bar"));
    updateAddButton();
}

void AddQuickChannelView::setErrorText(std::optional<QString> text)
{
    errorText_ = std::move(text);
    showErrorRow(errorRow_, errorText_);
}

void AddQuickChannelView::updateAddButton()
{
    add_->setEnabled(!saving_ && !TextCharacters::trimmedBlanks(frequency_->text()).isEmpty());
}
