#include "views/icon_picker_sheet.h"

#include "platform/symbol_image.h"
#include "platform/tovrin_haptics.h"
#include "theme/continuous_rounded_rect.h"
#include "theme/quick_bar_icons.h"
#include "theme/system_colors.h"
#include "views/plain_label.h"
#include "views/sheet_overlay.h"
#include "views/view_fonts.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kMaxPictureSide = 128;
constexpr int kJpegQuality = 75;
constexpr int kPadding = 16;
constexpr qreal kCellIcon = 36;
constexpr qreal kCellPadding = 8;
constexpr qreal kCellLabelSize = 9;
constexpr qreal kCellRadius = 10;
constexpr qreal kRowSpacing = 10;
constexpr qreal kSubheadlineSize = 15;
// Photos larger than this are refused before they are decoded.
constexpr qint64 kMaxPhotoBytes = 64 * 1024 * 1024;

// One preset in the grid: its icon over its label, on a rounded cell that is
// orange while selected.
class PresetCell : public QAbstractButton {
public:
    PresetCell(const QuickBarIconCatalog::Item& item, std::function<bool()> selected, QWidget* parent)
        : QAbstractButton(parent), item_(item), selected_(std::move(selected))
    {
        setFocusPolicy(Qt::NoFocus);
        setAccessibleName(item.label);
        setText(item.label);
    }

    QSize sizeHint() const override
    {
        return {64, int(std::ceil(2 * kCellPadding + kCellIcon + 4 + QFontMetricsF(labelFont(1)).height()))};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame(rect());
        // The light "secondary system background" has the grouped background's value.
        painter.fillPath(continuousRoundedRect(frame, kCellRadius),
                         selected_() ? systemColor(SystemColor::Orange, 0.25)
                                     : systemColor(SystemColor::GroupedBackground));
        const QRectF icon(frame.center().x() - kCellIcon / 2, kCellPadding, kCellIcon, kCellIcon);
        QuickBarIcon::paint(painter, icon, item_.id, std::nullopt);

        // One line, shrinking to 0.7 of its size before it is cut.
        const qreal width = frame.width() - 4;
        QFont font = labelFont(1);
        for (qreal scale = 1; scale >= 0.7 - 1e-9; scale -= 0.05) {
            font = labelFont(scale);
            if (QFontMetricsF(font).horizontalAdvance(item_.label) <= width)
                break;
        }
        painter.setFont(font);
        painter.setPen(systemColor(SystemColor::Label));
        const QRectF line(2, icon.bottom() + 4, width, QFontMetricsF(font).height());
        painter.drawText(line, Qt::AlignCenter, QFontMetricsF(font).elidedText(item_.label, Qt::ElideRight, width));
    }

private:
    static QFont labelFont(qreal scale) { return ViewFonts::font(kCellLabelSize * scale, QFont::Bold); }

    QuickBarIconCatalog::Item item_;
    std::function<bool()> selected_;
};

}  // namespace

IconPickerSheet::IconPickerSheet(QString selectedIconId, std::optional<QString> customBase64, QString title,
                                 IconGridColumns columns, QWidget* parent)
    : QWidget(parent), selectedIconId_(std::move(selectedIconId)), customBase64_(std::move(customBase64)),
      title_(std::move(title)), columns_(columns)
{
    setObjectName(QStringLiteral("IconPickerSheet"));

    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setFlat(true);
    done_->setFont(ViewFonts::font(17, QFont::DemiBold));
    done_->setFocusPolicy(Qt::NoFocus);
    connect(done_, &QPushButton::clicked, this, &IconPickerSheet::doneRequested);
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(0, 0, 0, 0);
    toolbar->addStretch(1);
    toolbar->addWidget(done_);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("IconPickerBody"));
    body->setStyleSheet(QStringLiteral("#IconPickerBody { background: white; }"));
    scroll->setWidget(body);

    upload_ = new QPushButton(QStringLiteral("Upload your logo"), body);
    upload_->setIcon(QIcon(SymbolImage::render(QStringLiteral("photo.badge.plus"), 18, Qt::white, 2.0)));
    upload_->setFont(ViewFonts::font(kSubheadlineSize, QFont::DemiBold));
    upload_->setFocusPolicy(Qt::NoFocus);
    upload_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                          "border-radius: 8px; padding: 12px 0; }")
                               .arg(systemColor(SystemColor::Blue).name()));
    connect(upload_, &QPushButton::clicked, this, &IconPickerSheet::choosePhoto);

    customRow_ = new QWidget(body);
    customIcon_ = new QuickBarIconView(selectedIconId_, customBase64_, 44, customRow_);
    clear_ = new QPushButton(QStringLiteral("Clear"), customRow_);
    clear_->setFlat(true);
    clear_->setFont(ViewFonts::caption());
    clear_->setFocusPolicy(Qt::NoFocus);
    connect(clear_, &QPushButton::clicked, this, &IconPickerSheet::clearCustom);
    auto* customLayout = new QHBoxLayout(customRow_);
    customLayout->setContentsMargins(0, 0, 0, 0);
    customLayout->addWidget(customIcon_);
    const QColor secondary = systemColor(SystemColor::Gray);
    customLayout->addWidget(
        plainLabel(QStringLiteral("Custom logo selected"), ViewFonts::caption(), secondary, customRow_));
    customLayout->addStretch(1);
    customLayout->addWidget(clear_);

    grid_ = new QWidget(body);
    grid_->installEventFilter(this);
    buildGrid(grid_);

    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kPadding);
    column->addWidget(upload_);
    column->addWidget(customRow_);
    column->addWidget(plainLabel(QStringLiteral("Or pick an icon"), ViewFonts::caption(QFont::Bold), secondary, body));
    column->addWidget(grid_);
    column->addStretch(1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    outer->addLayout(toolbar);
    outer->addWidget(scroll, 1);
    refresh();
}

bool IconPickerSheet::isSelected(const QString& presetId) const
{
    return selectedIconId_ == presetId && !customBase64_;
}

QAbstractButton* IconPickerSheet::presetCell(const QString& presetId) const
{
    for (QAbstractButton* cell : cells_) {
        if (cell->objectName() == presetId)
            return cell;
    }
    return nullptr;
}

// ---- The grid ----

void IconPickerSheet::buildGrid(QWidget* grid)
{
    for (const auto& item : QuickBarIconCatalog::presets()) {
        const QString id = item.id;
        auto* cell = new PresetCell(item, [this, id] { return isSelected(id); }, grid);
        cell->setObjectName(id);
        connect(cell, &QAbstractButton::clicked, this, [this, id] { pickPreset(id); });
        cells_.push_back(cell);
    }
}

void IconPickerSheet::layoutGrid()
{
    if (cells_.empty())
        return;
    // An adaptive column: as many columns of the minimum width as fit, sharing the rest.
    const qreal width = grid_->width();
    const int count = qMax(1, int((width + columns_.spacing) / (columns_.minimumWidth + columns_.spacing)));
    const qreal cellWidth = (width - columns_.spacing * (count - 1)) / count;
    const int cellHeight = cells_.front()->sizeHint().height();
    for (size_t i = 0; i < cells_.size(); ++i) {
        const int row = int(i) / count;
        const int col = int(i) % count;
        const qreal x = col * (cellWidth + columns_.spacing);
        cells_[i]->setGeometry(QRectF(x, row * (cellHeight + kRowSpacing), cellWidth, cellHeight).toRect());
    }
    const int rows = (int(cells_.size()) + count - 1) / count;
    grid_->setMinimumHeight(int(rows * cellHeight + (rows - 1) * kRowSpacing));
}

bool IconPickerSheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_ && event->type() == QEvent::Resize)
        layoutGrid();
    return QWidget::eventFilter(watched, event);
}

// ---- Choosing ----

void IconPickerSheet::pickPreset(const QString& id)
{
    setSelectedIconId(id);
    setCustomBase64(std::nullopt);
    TovrinHaptics::medium();
}

void IconPickerSheet::clearCustom()
{
    setCustomBase64(std::nullopt);
    // Forgetting the file lets the same photo be chosen and processed again.
    pickerItem_.reset();
}

void IconPickerSheet::choosePhoto()
{
    // Stands in for the photo library: any image file the user picks.
    auto* dialog = new QFileDialog(this, QStringLiteral("Upload your logo"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setMimeTypeFilters({QStringLiteral("image/jpeg"), QStringLiteral("image/png"), QStringLiteral("image/gif"),
                                QStringLiteral("image/bmp"), QStringLiteral("image/svg+xml")});
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) { setPickerItem(path); });
    dialog->open();
}

void IconPickerSheet::setPickerItem(std::optional<QString> path)
{
    if (path == pickerItem_)
        return;
    pickerItem_ = path;
    loadPhoto(std::move(path));
}

void IconPickerSheet::loadPhoto(std::optional<QString> path)
{
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPhotoBytes)
        return;
    const auto encoded = encodePicture(file.readAll());
    if (!encoded)
        return;
    setCustomBase64(*encoded);
    setSelectedIconId(QStringLiteral("custom"));
}

std::optional<QString> IconPickerSheet::encodePicture(const QByteArray& data)
{
    if (data.isEmpty())
        return std::nullopt;
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;

    const qreal w = image.width();
    const qreal h = image.height();
    const qreal longer = qMax(w, h);
    const qreal factor = longer <= 1 ? 1.0 : qMin(kMaxPictureSide / longer, 1.0);
    const QSizeF target(w * factor, h * factor);
    // A fractional size covers the pixel it reaches into.
    const QSize pixels(qMax(1, int(std::ceil(target.width() - 1e-9))), qMax(1, int(std::ceil(target.height() - 1e-9))));

    // An opaque bitmap starts black; transparent areas stay so, as on the
    // platform the encoding was defined on.
    QImage opaque(pixels, QImage::Format_RGB32);
    opaque.fill(Qt::black);
    {
        QPainter painter(&opaque);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(QPointF(0, 0), target), image);
    }
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    if (!opaque.save(&out, "JPG", kJpegQuality) || jpeg.isEmpty())
        return std::nullopt;
    return QString::fromLatin1(jpeg.toBase64());
}

// ---- The bound values ----

void IconPickerSheet::setSelectedIconId(const QString& iconId)
{
    if (iconId == selectedIconId_)
        return;
    selectedIconId_ = iconId;
    refresh();
    Q_EMIT selectedIconIdChanged(selectedIconId_);
}

void IconPickerSheet::setCustomBase64(const std::optional<QString>& customBase64)
{
    if (customBase64 == customBase64_)
        return;
    customBase64_ = customBase64;
    refresh();
    Q_EMIT customBase64Changed(customBase64_);
}

void IconPickerSheet::refresh()
{
    customRow_->setVisible(customBase64_.has_value());
    customIcon_->setIcon(selectedIconId_, customBase64_);
    for (QAbstractButton* cell : cells_)
        cell->update();
}

SheetOverlay* presentIconPicker(QWidget* host, IconPickerSheet* picker, std::function<void()> closed)
{
    auto* sheet = new SheetOverlay(picker->title(), host);
    sheet->setContent(picker);
    QObject::connect(picker, &IconPickerSheet::doneRequested, sheet, &SheetOverlay::dismiss);
    QObject::connect(sheet, &SheetOverlay::dismissed, sheet, [sheet, closed = std::move(closed)] {
        if (closed)
            closed();
        sheet->deleteLater();
    });
    sheet->present();
    return sheet;
}
