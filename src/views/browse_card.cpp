#include "views/browse_card.h"

#include "platform/symbol_image.h"
#include "theme/contrast_pill.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/drop_shadow.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "theme/theme_store.h"
#include "views/channel_user_count_badge.h"
#include "views/face_label.h"
#include "views/plain_label.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr qreal kRadius = 16;
constexpr int kPadding = 16;
constexpr qreal kHeaderSize = 11;
const DropShadow kShadow{QColor(0, 0, 0, 31), 8, QPointF(0, 4)};

QColor cardSurface(const FacePlateTheme& theme)
{
    return ThemeContrast::blend(theme.bodyTop, theme.bodyBottom, 0.45);
}

}  // namespace

BrowseCard::BrowseCard(ThemeStore* theme, Content content, QWidget* parent)
    : QWidget(parent), theme_(theme), content_(std::move(content))
{
    setAttribute(Qt::WA_TranslucentBackground);
    // Room for the shadow below the card.
    setContentsMargins(0, 0, 0, 8);

    symbol_ = new QLabel(this);
    header_ = plainLabel(content_.header, ViewFonts::font(kHeaderSize, QFont::Black, ViewFonts::Design::rounded), this);
    badge_ = new ChannelUserCountBadge(content_.liveUserCount, {}, {}, this);
    auto* headerRow = new QHBoxLayout;
    headerRow->setSpacing(6);
    headerRow->addWidget(symbol_);
    headerRow->addWidget(header_);
    headerRow->addStretch(1);
    headerRow->addWidget(badge_);
    if (!content_.headerPill.isEmpty()) {
        headerPill_ = new ContrastPill(content_.headerPill, {}, {}, this);
        headerRow->addWidget(headerPill_);
    }

    frequency_ = plainLabel(content_.frequency, ViewFonts::font(34, QFont::ExtraBold, ViewFonts::Design::monospaced), this);
    title_ = plainLabel(content_.title, ViewFonts::font(15, QFont::DemiBold), this);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(title_);
    if (!content_.detail.isEmpty()) {
        // A radio ID reads in monospaced digits; a note in the caption style.
        const QFont detailFont = content_.detailMonospaced
                                     ? ViewFonts::font(12, QFont::Normal, ViewFonts::Design::monospaced)
                                     : ViewFonts::caption(QFont::Normal);
        detail_ = plainLabel(content_.detail, detailFont, this);
        column->addWidget(detail_);
    }
    if (!content_.columnPill.isEmpty()) {
        columnPill_ = new ContrastPill(content_.columnPill, {}, {}, this);
        column->addWidget(columnPill_, 0, Qt::AlignLeft);
    }
    auto* detailRow = new QHBoxLayout;
    detailRow->setSpacing(10);
    detailRow->addWidget(frequency_, 0, Qt::AlignTop);
    detailRow->addLayout(column);
    detailRow->addStretch(1);

    join_ = new QPushButton(content_.buttonText, this);
    join_->setFont(ViewFonts::font(15, QFont::Bold));
    join_->setCursor(Qt::PointingHandCursor);
    connect(join_, &QPushButton::clicked, this, &BrowseCard::joinRequested);

    auto* stack = new QVBoxLayout;
    stack->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    stack->setSpacing(10);
    stack->addLayout(headerRow);
    stack->addLayout(detailRow);
    stack->addWidget(join_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(stack);

    applyTheme();
    connect(theme_, &ThemeStore::currentChanged, this, &BrowseCard::applyTheme);
}

QStringList BrowseCard::pillTexts() const
{
    QStringList texts;
    for (const ContrastPill* pill : {headerPill_, columnPill_})
        if (pill)
            texts << pill->text();
    return texts;
}

void BrowseCard::applyTheme()
{
    const FacePlateTheme& theme = theme_->current();
    const QColor surface = cardSurface(theme);
    symbol_->setPixmap(SymbolImage::render(content_.symbol, kHeaderSize + 2, theme.accent, devicePixelRatioF()));
    setTextColour(header_, theme.accent);
    badge_->setValues(content_.liveUserCount, theme.accent, surface);
    for (ContrastPill* pill : {headerPill_, columnPill_})
        if (pill)
            pill->setColours(theme.accent, surface);
    setTextColour(frequency_, theme.onBody());
    setTextColour(title_, theme.onBody());
    if (detail_) {
        setTextColour(detail_, content_.detailMonospaced ? systemColor(SystemColor::SecondaryLabel)
                                                         : theme.onBodyMuted());
    }
    const QColor ink = ThemeContrast::readable(theme.accent, false);
    join_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 10px;"
                                        " padding: 10px; }"
                                        "QPushButton:pressed { background: %3; }")
                             .arg(theme.accent.name(QColor::HexArgb), ink.name(QColor::HexArgb),
                                  theme.accent.darker(115).name(QColor::HexArgb)));
    update();
}

void BrowseCard::paintEvent(QPaintEvent*)
{
    const FacePlateTheme& theme = theme_->current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(1, 1, -1, -1 - contentsMargins().bottom());
    const QPainterPath shape = continuousRoundedRect(card, kRadius);
    paintWithDropShadow(painter, rect(), kShadow, [&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(shape, Qt::white);
    });
    // The shadow's own white fill is covered by the card's translucent gradient
    // over the screen's background colour.
    painter.fillPath(shape, systemColor(SystemColor::GroupedBackground));
    QLinearGradient gradient(card.topLeft(), card.bottomRight());
    gradient.setColorAt(0, withOpacity(theme.bodyTop, 0.45));
    gradient.setColorAt(1, withOpacity(theme.bodyBottom, 0.25));
    painter.fillPath(shape, gradient);
    painter.setPen(QPen(withOpacity(theme.accent, 0.35), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
}

CompanyBrowseCard::CompanyBrowseCard(ThemeStore* theme, const WorkplaceMembership& membership, qint64 liveUserCount,
                                     QWidget* parent)
    : BrowseCard(theme,
                 Content{.symbol = QStringLiteral("building.2.fill"),
                         .header = QStringLiteral("MY COMPANY"),
                         .liveUserCount = liveUserCount,
                         .headerPill = QString(),
                         .frequency = membership.displayFrequency,
                         .title = membership.name,
                         .detail = membership.seatsLabel(),
                         .columnPill = membership.isAdmin() ? QStringLiteral("Admin") : QString(),
                         .buttonText = QStringLiteral("Join company channel")},
                 parent)
{
}

MyChannelBrowseCard::MyChannelBrowseCard(ThemeStore* theme, const Channel& channel, qint64 liveUserCount,
                                         const QString& radioId, QWidget* parent)
    : BrowseCard(theme,
                 Content{.symbol = QStringLiteral("star.fill"),
                         .header = QStringLiteral("MY CHANNEL"),
                         .liveUserCount = liveUserCount,
                         .headerPill = channel.listedPublic.value_or(false) ? QStringLiteral("Listed public") : QString(),
                         .frequency = channel.displayFrequency,
                         .title = channel.name && !channel.name->isEmpty() ? *channel.name : channel.displayFrequency,
                         .detail = radioId,
                         .detailMonospaced = true,
                         .columnPill = QString(),
                         .buttonText = QStringLiteral("Join my channel")},
                 parent)
{
}
