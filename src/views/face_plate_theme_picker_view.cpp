#include "views/face_plate_theme_picker_view.h"

#include "platform/symbol_image.h"
#include "platform/tovrin_haptics.h"
#include "theme/system_colors.h"
#include "theme/theme_store.h"
#include "views/face_plate_theme_preview.h"
#include "views/view_fonts.h"

#include <QAbstractListModel>
#include <QFontMetricsF>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

// The themes the query lets through; one row per theme, keyed by id.
class FacePlateThemeListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setThemes(std::vector<const FacePlateTheme*> themes)
    {
        beginResetModel();
        themes_ = std::move(themes);
        endResetModel();
    }

    const FacePlateTheme* themeAt(const QModelIndex& index) const
    {
        return index.isValid() && index.row() < int(themes_.size()) ? themes_[std::size_t(index.row())] : nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(themes_.size()); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const FacePlateTheme* theme = themeAt(index);
        if (!theme)
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return theme->name;
        if (role == Qt::UserRole)
            return theme->id;
        return {};
    }

private:
    std::vector<const FacePlateTheme*> themes_;
};

namespace {

struct RowStyle {
    QSizeF card{88, 56};
    qreal padV = 4;
    qreal padH = 16;
    qreal spacing = 12;
    qreal nameGap = 2;
    qreal check = 22;
    qreal nameSize = 17;
};
constexpr RowStyle kRow;

// Paints a row: the card (cached per theme and pixel ratio), the name over
// the stickers, and the check mark on the current theme.
class ThemeRowDelegate : public QStyledItemDelegate {
public:
    ThemeRowDelegate(ThemeStore* store, QObject* parent)
        : QStyledItemDelegate(parent)
        , store_(store)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(0, int(kRow.card.height() + 2 * kRow.padV));
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto* model = static_cast<const FacePlateThemeListModel*>(index.model());
        const FacePlateTheme* theme = model->themeAt(index);
        if (!theme)
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF row(option.rect);
        if (option.state & QStyle::State_Selected || option.state & QStyle::State_MouseOver)
            painter->fillRect(row, systemColor(SystemColor::Gray, 0.12));

        const qreal ratio = painter->device()->devicePixelRatioF();
        const QRectF card(QPointF(row.left() + kRow.padH, row.top() + kRow.padV), kRow.card);
        painter->drawPixmap(card.topLeft(), cardPixmap(*theme, ratio));

        qreal right = row.right() - kRow.padH;
        if (store_->current().id == theme->id) {
            const QPixmap check = SymbolImage::render(QStringLiteral("checkmark.circle.fill"), kRow.check,
                                                      theme->accent, ratio);
            right -= kRow.check;
            painter->drawPixmap(QPointF(right, row.center().y() - kRow.check / 2), check);
            right -= kRow.spacing;
        }

        const qreal left = card.right() + kRow.spacing;
        const qreal width = std::max<qreal>(0, right - left);
        const QFont nameFont = ViewFonts::font(kRow.nameSize, QFont::DemiBold);
        const QFont stickerFont = ViewFonts::caption();
        const QFontMetricsF nameMetrics(nameFont);
        const QFontMetricsF stickerMetrics(stickerFont);
        const qreal textHeight = nameMetrics.height() + kRow.nameGap + stickerMetrics.height();
        const qreal top = row.center().y() - textHeight / 2;
        painter->setPen(systemColor(SystemColor::Label));
        painter->setFont(nameFont);
        painter->drawText(QRectF(left, top, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          nameMetrics.elidedText(theme->name, Qt::ElideRight, width));
        painter->setFont(stickerFont);
        painter->drawText(QRectF(left, top + nameMetrics.height() + kRow.nameGap, width, stickerMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, FacePlateThemePickerView::stickerLine(*theme));
        painter->restore();
    }

private:
    QPixmap cardPixmap(const FacePlateTheme& theme, qreal ratio) const
    {
        const QString key = theme.id + QLatin1Char('@') + QString::number(ratio);
        auto found = cards_.constFind(key);
        if (found != cards_.constEnd())
            return *found;
        QPixmap pixmap((kRow.card * ratio).toSize());
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        {
            QPainter p(&pixmap);
            FacePlateThemePreview::paint(p, QRectF(QPointF(0, 0), kRow.card), theme, true);
        }
        cards_.insert(key, pixmap);
        return pixmap;
    }

    ThemeStore* store_;
    mutable QHash<QString, QPixmap> cards_;  // the catalog is fixed: at most one per theme and ratio
};

} // namespace

FacePlateThemePickerView::FacePlateThemePickerView(ThemeStore* store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , title_(new QLabel(titleText(), this))
    , search_(new QLineEdit(this))
    , list_(new QListView(this))
    , model_(new FacePlateThemeListModel(this))
{
    setAutoFillBackground(true);
    title_->setTextFormat(Qt::PlainText);
    title_->setAlignment(Qt::AlignHCenter);
    title_->setFont(ViewFonts::font(17, QFont::DemiBold));

    search_->setPlaceholderText(searchPrompt());
    search_->setClearButtonEnabled(true);
    search_->setFont(ViewFonts::font(17));

    model_->setThemes(filtered(QString()));
    list_->setModel(model_);
    list_->setItemDelegate(new ThemeRowDelegate(store_, list_));
    list_->setUniformItemSizes(true);
    list_->setMouseTracking(true);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setFrameShape(QFrame::NoFrame);
    list_->installEventFilter(this);

    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { model_->setThemes(filtered(text)); });
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const FacePlateTheme* theme = model_->themeAt(index))
            choose(*theme);
    });
    connect(store_, &ThemeStore::currentChanged, list_->viewport(), qOverload<>(&QWidget::update));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(title_);
    auto* searchRow = new QVBoxLayout;
    searchRow->setContentsMargins(16, 0, 16, 0);
    searchRow->addWidget(search_);
    layout->addLayout(searchRow);
    layout->addWidget(list_, 1);
}

QString FacePlateThemePickerView::titleText()
{
    return QStringLiteral("Face plate themes");
}

QString FacePlateThemePickerView::searchPrompt()
{
    return QString::fromUtf8("Search themes — flags, gaming, cute…");
}

std::vector<const FacePlateTheme*> FacePlateThemePickerView::filtered(const QString& query)
{
    const QString q = query.trimmed().toLower();
    std::vector<const FacePlateTheme*> out;
    for (const FacePlateTheme& theme : FacePlateTheme::catalog()) {
        if (q.isEmpty() || theme.name.toLower().contains(q) || theme.id.toLower().contains(q)
            || theme.emoji.contains(q))
            out.push_back(&theme);
    }
    return out;
}

std::vector<const FacePlateTheme*> FacePlateThemePickerView::filtered() const
{
    return filtered(search_->text());
}

QString FacePlateThemePickerView::stickerLine(const FacePlateTheme& theme)
{
    return theme.stickers().mid(0, 4).join(QLatin1Char(' '));
}

void FacePlateThemePickerView::choose(const FacePlateTheme& theme)
{
    store_->setCurrent(theme);
    TovrinHaptics::medium();
    emit dismissRequested();
}

bool FacePlateThemePickerView::eventFilter(QObject* watched, QEvent* event)
{
    // Return or Enter on the list chooses the current row, as a click does.
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (const FacePlateTheme* theme = model_->themeAt(list_->currentIndex()))
                choose(*theme);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
