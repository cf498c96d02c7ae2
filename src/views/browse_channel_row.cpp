#include "views/browse_channel_row.h"

#include "theme/contrast_pill.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/system_colors.h"
#include "theme/theme_store.h"
#include "views/channel_user_count_badge.h"
#include "views/view_fonts.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kPaddingX = 16;
constexpr int kPaddingY = 10;

QColor tintColour(BrowseBadge::Tint tint, const FacePlateTheme& theme)
{
    switch (tint) {
    case BrowseBadge::Tint::orange: return systemColor(SystemColor::Orange);
    case BrowseBadge::Tint::green: return systemColor(SystemColor::Green);
    case BrowseBadge::Tint::purple: return systemColor(SystemColor::Purple);
    case BrowseBadge::Tint::accent: break;
    }
    return theme.accent;
}

QLabel* line(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

}  // namespace

BrowseChannelRow::BrowseChannelRow(ThemeStore* theme, BrowseRowContent content, QWidget* parent)
    : QAbstractButton(parent), content_(std::move(content))
{
    const FacePlateTheme& current = theme->current();
    const Channel& channel = content_.channel;
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(channel.displayFrequency);

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(line(channel.displayFrequency, ViewFonts::font(17, QFont::DemiBold, ViewFonts::Design::monospaced),
                         systemColor(SystemColor::Label), this));
    left->addWidget(line(content_.title, ViewFonts::font(15), systemColor(SystemColor::Label, 0.55), this));
    if (content_.showOwner)
        left->addWidget(line(channel.ownerRadioId.value_or(QString()),
                             ViewFonts::font(12, QFont::Normal, ViewFonts::Design::monospaced),
                             systemColor(SystemColor::Label, 0.40), this));

    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    const QColor white = systemColor(SystemColor::White);
    for (const BrowseBadge& badge : content_.badges) {
        auto* pill = new ContrastPill(badge.text, tintColour(badge.tint, current), white, this);
        pill->setAttribute(Qt::WA_TransparentForMouseEvents);
        right->addWidget(pill, 0, Qt::AlignRight);
    }
    auto* count = new ChannelUserCountBadge(content_.liveUserCount, current.accent, white, this);
    count->setAttribute(Qt::WA_TransparentForMouseEvents);
    right->addWidget(count, 0, Qt::AlignRight);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kPaddingX, kPaddingY, kPaddingX, kPaddingY);
    row->addLayout(left);
    row->addStretch(1);
    row->addLayout(right);

    connect(this, &QAbstractButton::clicked, this, &BrowseChannelRow::joinRequested);
    if (content_.allowed) {
        auto* join = new QAction(QStringLiteral("Join channel"), this);
        auto* quickAdd = new QAction(QStringLiteral("Add to quick bar"), this);
        connect(join, &QAction::triggered, this, &BrowseChannelRow::joinRequested);
        connect(quickAdd, &QAction::triggered, this, &BrowseChannelRow::quickAddRequested);
        addAction(join);
        addAction(quickAdd);
    }
}

QStringList BrowseChannelRow::lineTexts() const
{
    QStringList texts;
    for (const QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        texts << label->text();
    return texts;
}

QStringList BrowseChannelRow::badgeTexts() const
{
    QStringList texts;
    for (const BrowseBadge& badge : content_.badges)
        texts << badge.text;
    return texts;
}

QSize BrowseChannelRow::sizeHint() const
{
    return layout()->sizeHint();
}

void BrowseChannelRow::paintEvent(QPaintEvent*)
{
    if (!isDown())
        return;
    QPainter painter(this);
    painter.fillRect(rect(), systemColor(SystemColor::TertiarySystemFill));
}

void BrowseChannelRow::contextMenuEvent(QContextMenuEvent* event)
{
    if (actions().isEmpty())
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions(actions());
    menu->popup(event->globalPos());
}

BrowseRowGroup::BrowseRowGroup(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void BrowseRowGroup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRoundedRect(rect(), 10), systemColor(SystemColor::White));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(systemColor(SystemColor::Gray, 0.3), 1));
    const auto rows = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (const QWidget* row : rows) {
        if (row->isVisible() && row->geometry().bottom() < height() - 2)
            painter.drawLine(kPaddingX, row->geometry().bottom() + 1, width(), row->geometry().bottom() + 1);
    }
}
