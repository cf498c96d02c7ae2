#include "views/chat_bubble.h"

#include "theme/continuous_rounded_rect.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "theme/theme_store.h"
#include "views/view_fonts.h"

#include <QContextMenuEvent>
#include <QCoroTask>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>

namespace {

constexpr int kRowSpacing = 8;    // between the bubble and the spacer that keeps it off the far edge
constexpr int kFarGap = 48;       // that spacer's minimum
constexpr int kColumnSpacing = 4;
constexpr int kTextPadH = 12;
constexpr int kTextPadV = 8;
constexpr qreal kBubbleRadius = 16;
constexpr int kChipPadH = 6;
constexpr int kChipPadV = 2;
constexpr int kChipSpacing = 4;

QFont bodyFont() { return ViewFonts::font(17); }
QFont nicknameFont() { return ViewFonts::font(15, QFont::DemiBold); }
int textWidth(int column) { return std::max(1, column - 2 * kTextPadH); }
QFont radioIdFont() { return ViewFonts::font(9, QFont::Medium, ViewFonts::Design::monospaced); }

// The message laid out at a width: wrapped at words, or anywhere inside a word
// longer than the line; newlines kept.
struct WrappedText {
    std::unique_ptr<QTextLayout> layout;
    QSize size;
};

WrappedText wrapText(const QString& text, int width)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    auto layout = std::make_unique<QTextLayout>(shown, bodyFont());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->beginLayout();
    qreal height = 0;
    qreal widest = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout->endLayout();
    return {std::move(layout), QSize(qCeil(widest), qCeil(height))};
}

}  // namespace

const QStringList& chatQuickEmojis()
{
    static const QStringList emojis{
        QStringLiteral("👍"), QStringLiteral("❤️"), QStringLiteral("😂"), QStringLiteral("🔥"),
        QStringLiteral("👋"), QStringLiteral("😡"), QStringLiteral("💯"), QStringLiteral("🎉"),
        QStringLiteral("🙏"), QStringLiteral("⭐"), QStringLiteral("💀"), QStringLiteral("🫡"),
    };
    return emojis;
}

QList<ChatReactionCount> sortedReactions(const QMap<QString, QStringList>& reactions)
{
    QList<ChatReactionCount> chips;
    for (auto it = reactions.cbegin(); it != reactions.cend(); ++it) {
        if (!it.value().isEmpty())
            chips.append({it.key(), int(it.value().size())});
    }
    std::stable_sort(chips.begin(), chips.end(), [](const auto& a, const auto& b) { return a.count > b.count; });
    return chips;
}

// ---- Name block ----

QSize ChatSenderLabel::size() const
{
    const QFontMetrics name(nicknameFont());
    int width = name.horizontalAdvance(nickname);
    int height = name.height();
    if (!radioId.isEmpty()) {
        const QFontMetrics id(radioIdFont());
        width = std::max(width, id.horizontalAdvance(radioId));
        height += 1 + id.height();
    }
    return {width, height};
}

void ChatSenderLabel::paint(QPainter& painter, const QRect& rect) const
{
    const Qt::Alignment side = alignTrailing ? Qt::AlignRight : Qt::AlignLeft;
    const QFontMetrics name(nicknameFont());
    painter.setFont(nicknameFont());
    painter.setPen(systemColor(SystemColor::Label));
    painter.drawText(QRect(rect.left(), rect.top(), rect.width(), name.height()), side | Qt::AlignVCenter, nickname);
    if (radioId.isEmpty())
        return;
    const QFontMetrics id(radioIdFont());
    painter.setFont(radioIdFont());
    painter.setPen(withOpacity(systemColor(SystemColor::Gray), 0.75));
    painter.drawText(QRect(rect.left(), rect.top() + name.height() + 1, rect.width(), id.height()),
                     side | Qt::AlignVCenter, radioId);
}

// ---- Bubble ----

ChatBubble::ChatBubble(ThemeStore* theme, Row row, QWidget* parent) : QWidget(parent), theme_(theme), row_(std::move(row))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (theme_)
        connect(theme_, &ThemeStore::currentChanged, this, qOverload<>(&QWidget::update));
}

void ChatBubble::setRow(Row row)
{
    const bool changed = row.message != row_.message || row.isMine != row_.isMine
        || row.isChannelOwner != row_.isChannelOwner;
    row_ = std::move(row);
    if (!changed)
        return;  // new callbacks only: nothing to redraw
    cachedWidth_ = -1;
    updateGeometry();
    update();
}

ChatSenderLabel ChatBubble::senderLabel() const
{
    return {row_.message.chatNickname(), row_.message.radioId, row_.isMine};
}

QColor ChatBubble::bubbleColor() const
{
    if (!theme_)
        return systemColor(SystemColor::GroupedBackground);
    return row_.isMine ? theme_->current().chatSelf : theme_->current().chatOther;
}

QColor ChatBubble::textColor() const
{
    return ThemeContrast::readable(bubbleColor(), false);
}

QString ChatBubble::chipText(const ChatReactionCount& chip) const
{
    return chip.emoji + QLatin1Char(' ') + QString::number(chip.count);
}

ChatBubble::Geometry ChatBubble::geometryFor(int width) const
{
    if (width != cachedWidth_) {
        cached_ = layOut(width);
        cachedWidth_ = width;
    }
    return cached_;
}

ChatBubble::Geometry ChatBubble::layOut(int width) const
{
    Geometry g;
    const int column = std::max(1, width - kFarGap - kRowSpacing);
    const auto place = [&](int w) { return row_.isMine ? width - w : 0; };

    const QSize label = senderLabel().size();
    const int labelWidth = std::min(label.width(), column);
    g.label = QRect(place(labelWidth), 0, labelWidth, label.height());
    int y = g.label.bottom() + 1 + kColumnSpacing;

    WrappedText wrapped = wrapText(row_.message.text, textWidth(column));
    const QSize text = wrapped.size;
    g.textLayout = std::move(wrapped.layout);
    const QSize bubble(text.width() + 2 * kTextPadH, text.height() + 2 * kTextPadV);
    g.bubble = QRect(place(bubble.width()), y, bubble.width(), bubble.height());
    g.text = g.bubble.adjusted(kTextPadH, kTextPadV, -kTextPadH, -kTextPadV);
    y = g.bubble.bottom() + 1;

    if (!row_.message.reactions.isEmpty()) {
        y += kColumnSpacing;
        const QFontMetrics caption(ViewFonts::caption2());
        const int chipHeight = caption.height() + 2 * kChipPadV;
        // Chips that do not fit on one line go on to the next.
        int x = 0;
        int lineTop = y;
        for (const ChatReactionCount& chip : sortedReactions()) {
            const int w = caption.horizontalAdvance(chipText(chip)) + 2 * kChipPadH;
            if (x > 0 && x + w > column) {
                x = 0;
                lineTop += chipHeight + kChipSpacing;
            }
            g.chips.append(QRect(x, lineTop, w, chipHeight));
            x += w + kChipSpacing;
        }
        if (row_.isMine) {
            // Each line of chips hugs the trailing edge.
            for (int i = 0; i < g.chips.size();) {
                int j = i;
                while (j < g.chips.size() && g.chips[j].top() == g.chips[i].top())
                    ++j;
                const int shift = width - (g.chips[j - 1].right() + 1);
                for (int k = i; k < j; ++k)
                    g.chips[k].translate(shift, 0);
                i = j;
            }
        }
        y = g.chips.isEmpty() ? y : lineTop + chipHeight;
    }
    g.height = y;
    return g;
}

int ChatBubble::heightForWidth(int width) const
{
    return geometryFor(width).height;
}

QSize ChatBubble::sizeHint() const
{
    const int w = width() > 0 ? width() : 360;
    return {w, heightForWidth(w)};
}

QSize ChatBubble::minimumSizeHint() const
{
    return {kFarGap + 2 * kTextPadH + kRowSpacing, 0};
}

QRect ChatBubble::bubbleRect() const
{
    return geometryFor(width()).bubble;
}

QRect ChatBubble::chipRect(int index) const
{
    return geometryFor(width()).chips.value(index);
}

void ChatBubble::paintEvent(QPaintEvent*)
{
    const Geometry g = geometryFor(width());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    senderLabel().paint(painter, g.label);

    painter.setPen(Qt::NoPen);
    painter.setBrush(bubbleColor());
    painter.drawPath(continuousRoundedRect(QRectF(g.bubble), kBubbleRadius));
    painter.setPen(textColor());
    g.textLayout->draw(&painter, g.text.topLeft());

    const QList<ChatReactionCount> chips = sortedReactions();
    painter.setFont(ViewFonts::caption2());
    for (int i = 0; i < chips.size() && i < g.chips.size(); ++i) {
        const QRectF chip(g.chips[i]);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 150));  // thin frosted capsule
        painter.drawPath(continuousCapsule(chip));
        painter.setPen(systemColor(SystemColor::Label));
        painter.drawText(chip, Qt::AlignCenter, chipText(chips[i]));
    }
}

void ChatBubble::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const Geometry g = geometryFor(width());
    const QList<ChatReactionCount> chips = sortedReactions();
    for (int i = 0; i < chips.size() && i < g.chips.size(); ++i) {
        if (g.chips[i].contains(event->position().toPoint())) {
            if (row_.onReaction)
                row_.onReaction(chips[i].emoji);
            return;
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void ChatBubble::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu belongs to the bubble itself, not to the name or the chips.
    if (!bubbleRect().contains(event->pos()))
        return;
    std::unique_ptr<QMenu> menu = makeContextMenu();
    if (!menu)
        return;
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(event->globalPos());
}

std::unique_ptr<QMenu> ChatBubble::makeContextMenu()
{
    if (row_.isMine)
        return nullptr;
    auto menu = std::make_unique<QMenu>();  // no parent: the caller owns it
    connect(menu->addAction(QStringLiteral("Add to quick bar")), &QAction::triggered, this,
            [this, action = row_.onAddFriend] { start(action); });
    connect(menu->addAction(QStringLiteral("Block user")), &QAction::triggered, this,
            [this, action = row_.onBlock] { start(action); });
    if (row_.isChannelOwner) {
        connect(menu->addAction(QStringLiteral("Ban from your channel")), &QAction::triggered, this,
                [this, action = row_.onBan] { start(action); });
    }
    QMenu* react = menu->addMenu(QStringLiteral("React"));
    for (const QString& emoji : chatQuickEmojis()) {
        QAction* pick = react->addAction(emoji);
        pick->setObjectName(emoji);
        connect(pick, &QAction::triggered, this, [this, emoji, onReaction = row_.onReaction] {
            if (onReaction)
                onReaction(emoji);
        });
    }
    return menu;
}

void ChatBubble::start(const AsyncAction& action)
{
    // Runs on its own: the bubble may be gone before it ends, and nobody waits for it.
    if (action)
        QCoro::connect(action(), this, [] {});
}
