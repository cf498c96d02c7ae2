#include "views/find_radio_view.h"

#include "models/chat_message.h"
#include "platform/text_characters.h"
#include "platform/tovrin_haptics.h"
#include "services/friends_store.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "theme/system_colors.h"
#include "views/busy_indicator.h"
#include "views/quick_bar_slot_save.h"
#include "views/plain_label.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QColor secondary()
{
    return systemColor(SystemColor::Gray);
}

}  // namespace

FindRadioView::FindRadioView(SessionStore* session, FriendsStore* friends, QWidget* parent)
    : QWidget(parent), session_(session), friends_(friends)
{
    setObjectName(QStringLiteral("FindRadioView"));
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setFlat(true);
    close_->setFocusPolicy(Qt::NoFocus);
    connect(close_, &QPushButton::clicked, this, &FindRadioView::closeRequested);
    title_ = plainLabel(QStringLiteral("Find Radio"), ViewFonts::font(17, QFont::DemiBold),
                        systemColor(SystemColor::Label), this);
    title_->setAlignment(Qt::AlignCenter);
    title_->hide();
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(0, 0, 0, 0);
    toolbar->addWidget(close_, 1, Qt::AlignLeft);
    toolbar->addWidget(title_);
    toolbar->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("FindRadioBody"));
    body->setStyleSheet(QStringLiteral("#FindRadioBody { background: transparent; }"));
    scroll->setWidget(body);

    query_ = new QLineEdit(body);
    query_->setPlaceholderText(QStringLiteral("Radio ID, email, or name"));
    // Radio IDs are upper case; names and addresses are not corrected.
    query_->setInputMethodHints(Qt::ImhPreferUppercase | Qt::ImhNoPredictiveText);
    // Return searches whatever the field holds; the length rule guards only the button.
    connect(query_, &QLineEdit::returnPressed, this, [this] { QCoro::connect(search(), this, [] {}); });
    searchButton_ = new QPushButton(QStringLiteral("Search"), body);
    searchButton_->setFocusPolicy(Qt::NoFocus);
    searchButton_->setEnabled(false);
    connect(searchButton_, &QPushButton::clicked, this, [this] { QCoro::connect(search(), this, [] {}); });
    connect(query_, &QLineEdit::textChanged, this, [this](const QString& text) {
        searchButton_->setEnabled(TextCharacters::count(TextCharacters::trimmedBlanks(text)) >= 2);
    });

    progress_ = new QWidget(body);
    auto* progressLayout = new QHBoxLayout(progress_);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(makeBusyIndicator(progress_), 1);
    progressLayout->addWidget(plainLabel(QStringLiteral("Searching…"), ViewFonts::font(15), secondary(), progress_));
    progress_->hide();
    resultsBox_ = new QWidget(body);
    resultsLayout_ = new QVBoxLayout(resultsBox_);
    resultsLayout_->setContentsMargins(0, 0, 0, 0);
    resultsLayout_->setSpacing(8);
    errorRow_ = makeErrorRow(body);

    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(10);
    column->addWidget(query_);
    column->addWidget(searchButton_);
    column->addWidget(plainLabel(QStringLiteral("Search by Q-XXXXXX radio ID, email, Apple ID, or first/last name."),
                                 ViewFonts::caption(), secondary(), body, true));
    column->addWidget(progress_);
    column->addWidget(
        plainLabel(QStringLiteral("Results"), ViewFonts::caption(QFont::DemiBold), secondary(), body, true));
    column->addWidget(resultsBox_);
    column->addWidget(errorRow_);
    column->addStretch(1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(toolbar);
    outer->addWidget(scroll, 1);
    showResults();
}

QString FindRadioView::slotLabel(const UserSearchResult& result)
{
    const QString name = result.displayName ? *result.displayName
                         : result.radioId   ? *result.radioId
                                            : QStringLiteral("Friend");
    return TextCharacters::prefix(name, kQuickBarLabelLength);
}

QCoro::Task<void> FindRadioView::search()
{
    QPointer<FindRadioView> self(this);
    setSearching(true);
    setErrorText(std::nullopt);
    const QString query = query_->text();
    const QString uid = session_->uid();
    std::optional<std::vector<UserSearchResult>> found;
    try {
        found = co_await TovrinAPI::shared().searchUsers(query, uid);
    } catch (...) {
    }
    if (!self)
        co_return;
    if (found) {
        results_ = std::move(*found);
    } else {
        setErrorText(QStringLiteral("Search failed"));
    }
    setSearching(false);
}

void FindRadioView::setTitleVisible(bool visible)
{
    title_->setVisible(visible);
}

QCoro::Task<void> FindRadioView::add(UserSearchResult result)
{
    // A double click, or a row click and its "Add", would save the slot twice.
    if (adding_)
        co_return;
    if (!result.ownedChannelNumber) {
        setErrorText(QStringLiteral("User has no channel assigned"));
        co_return;
    }
    adding_ = true;
    QPointer<FindRadioView> self(this);
    FriendsStore* friends = friends_;
    QuickBarSlotRequest request;
    request.uid = session_->uid();
    request.label = slotLabel(result);
    request.channelNumber = *result.ownedChannelNumber;
    request.iconId = QStringLiteral("friend");
    request.friendRadioId = result.radioId;
    request.friendUid = result.uid;
    const bool saved = co_await saveQuickBarSlot(friends, request);
    if (saved)
        TovrinHaptics::medium();
    if (!self)
        co_return;
    adding_ = false;
    if (saved)
        Q_EMIT closeRequested();
    else
        setErrorText(friends->lastError());
}

void FindRadioView::startAdd(const UserSearchResult& result)
{
    QCoro::connect(add(result), this, [] {});
}

void FindRadioView::setSearching(bool searching)
{
    searching_ = searching;
    progress_->setVisible(searching);
    showResults();
}

void FindRadioView::setErrorText(std::optional<QString> text)
{
    errorText_ = std::move(text);
    showErrorRow(errorRow_, errorText_);
}

void FindRadioView::showResults()
{
    while (QLayoutItem* item = resultsLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // A row may be the one whose click runs now: let it go later.
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    if (results_.empty()) {
        if (!searching_)
            resultsLayout_->addWidget(
                plainLabel(QStringLiteral("No matches yet"), ViewFonts::font(17), secondary(), resultsBox_, true));
        return;
    }
    for (const UserSearchResult& result : results_)
        resultsLayout_->addWidget(resultRow(result));
}

QWidget* FindRadioView::resultRow(const UserSearchResult& result)
{
    // The whole row adds on a click; the orange "Add" stands in for the swipe action.
    auto* row = new QPushButton(resultsBox_);
    row->setObjectName(QStringLiteral("FindRadioRow"));
    row->setFocusPolicy(Qt::NoFocus);
    row->setFlat(true);
    row->setStyleSheet(QStringLiteral("#FindRadioRow { background: white; border-radius: 10px; text-align: left; }"));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(plainLabel(result.displayName.value_or(kDefaultDisplayName),
                                ViewFonts::font(17, QFont::DemiBold), systemColor(SystemColor::Label), row, true));
    if (result.radioId)
        texts->addWidget(plainLabel(*result.radioId, ViewFonts::font(12, QFont::Normal, ViewFonts::Design::monospaced),
                                    secondary(), row, true));
    if (result.ownedChannelDisplay)
        texts->addWidget(plainLabel(QStringLiteral("Channel ") + *result.ownedChannelDisplay, ViewFonts::font(15),
                                    systemColor(SystemColor::Label), row, true));
    for (QLabel* label : row->findChildren<QLabel*>())
        label->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* addButton = new QPushButton(QStringLiteral("Add"), row);
    addButton->setObjectName(QStringLiteral("FindRadioAdd"));
    addButton->setFocusPolicy(Qt::NoFocus);
    addButton->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                            "border-radius: 8px; padding: 6px 14px; }")
                                 .arg(systemColor(SystemColor::Orange).name()));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addLayout(texts, 1);
    layout->addWidget(addButton);
    row->setMinimumHeight(layout->sizeHint().height());

    const UserSearchResult copy = result;
    connect(row, &QPushButton::clicked, this, [this, copy] { startAdd(copy); });
    connect(addButton, &QPushButton::clicked, this, [this, copy] { startAdd(copy); });
    return row;
}
