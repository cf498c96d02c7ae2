#include "views/form_widgets.h"

#include "platform/symbol_image.h"
#include "theme/system_colors.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kInset = 16;
constexpr int kRowHeight = 44;

// The white rounded card behind a section's rows.
class FormCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(rect(), 10, 10);
    }
};

QLabel* sectionNote(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setContentsMargins(kInset, 0, kInset, 0);
    label->setFont(ViewFonts::caption());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, FormRows::color(FormRows::Tone::secondary));
    label->setPalette(palette);
    return label;
}

}  // namespace

FormSection::FormSection(const QString& header, const QString& footer, QWidget* parent)
    : QWidget(parent), header_(sectionNote(this)), card_(new FormCard(this)), rows_(new QVBoxLayout(card_)),
      footer_(sectionNote(this))
{
    header_->setText(header.toUpper());
    header_->setVisible(!header.isEmpty());
    footer_->setText(footer);
    footer_->setVisible(!footer.isEmpty());
    rows_->setContentsMargins(kInset, 6, kInset, 6);
    rows_->setSpacing(6);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(header_);
    layout->addWidget(card_);
    layout->addWidget(footer_);
}

void FormSection::addRow(QWidget* row)
{
    row->setParent(card_);
    row->setMinimumHeight(qMax(row->minimumHeight(), qobject_cast<QLabel*>(row) ? 0 : kRowHeight - 12));
    rows_->addWidget(row);
    // Shown now, not on the next turn of the event loop; callers hide rows after adding them.
    row->show();
}

void FormSection::clearRows()
{
    while (QLayoutItem* item = rows_->takeAt(0)) {
        // Later: the row may be the button whose click asked for this.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

int FormSection::rowCount() const
{
    return rows_->count();
}

QString FormSection::header() const
{
    return header_->text();
}

FormPage::FormPage(QWidget* parent) : QScrollArea(parent), content_(new QWidget), layout_(new QVBoxLayout(content_))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, systemColor(SystemColor::GroupedBackground));
    setPalette(palette);
    setAutoFillBackground(true);
    content_->setPalette(palette);
    content_->setAutoFillBackground(true);
    // Room at the bottom for the tab bar that lies over the page.
    layout_->setContentsMargins(kInset, 12, kInset, 110);
    layout_->setSpacing(22);
    layout_->addStretch(1);
    setWidget(content_);
}

FormSection* FormPage::addSection(const QString& header, const QString& footer)
{
    auto* section = new FormSection(header, footer);
    addSection(section);
    return section;
}

void FormPage::addSection(FormSection* section)
{
    section->setParent(content_);
    layout_->insertWidget(layout_->count() - 1, section);
}

QList<FormSection*> FormPage::sections() const
{
    QList<FormSection*> result;
    for (int i = 0; i < layout_->count(); ++i)
        if (auto* section = qobject_cast<FormSection*>(layout_->itemAt(i)->widget()))
            result << section;
    return result;
}

FormButton::FormButton(const QString& title, Kind kind, const QString& symbol, QWidget* parent)
    : QPushButton(title, parent), kind_(kind), symbol_(symbol)
{
    setCursor(Qt::PointingHandCursor);
    setFont(FormRows::body());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FormButton::setTitle(const QString& title)
{
    if (title != text())
        setText(title);
}

QSize FormButton::sizeHint() const
{
    return {200, kRowHeight - 12};
}

void FormButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = systemColor(SystemColor::Blue);
    const QColor ink = !isEnabled() ? FormRows::color(FormRows::Tone::tertiary)
                       : kind_ == Kind::navigation ? systemColor(SystemColor::Label)
                                                   : accent;
    if (isDown())
        painter.fillRect(rect(), QColor(0, 0, 0, 18));
    int x = contentsMargins().left();
    if (!symbol_.isEmpty()) {
        const QPixmap icon = SymbolImage::render(symbol_, 18, isEnabled() ? accent : ink, devicePixelRatioF());
        painter.drawPixmap(QPointF(x, (height() - 18) / 2.0), icon);
        x += 28;
    }
    painter.setFont(font());
    painter.setPen(ink);
    painter.drawText(QRect(x, 0, width() - x - 20, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (kind_ == Kind::navigation) {
        const QPixmap chevron = SymbolImage::render(QStringLiteral("chevron.right"), 12,
                                                    FormRows::color(FormRows::Tone::tertiary), devicePixelRatioF());
        painter.drawPixmap(QPointF(width() - 12, (height() - 12) / 2.0), chevron);
    }
}

namespace FormRows {

QColor color(Tone tone)
{
    switch (tone) {
    case Tone::secondary:
        return QColor(0x3C, 0x3C, 0x43, 0x99);
    case Tone::tertiary:
        return QColor(0x3C, 0x3C, 0x43, 0x4C);
    case Tone::red:
        return systemColor(SystemColor::Red);
    case Tone::orange:
        return systemColor(SystemColor::Orange);
    case Tone::primary:
        break;
    }
    return systemColor(SystemColor::Label);
}

QFont body()
{
    return ViewFonts::font(15);
}

QFont subheadline()
{
    return ViewFonts::font(14);
}

QFont headline()
{
    return ViewFonts::font(15, QFont::DemiBold);
}

QFont title2(QFont::Weight weight)
{
    return ViewFonts::font(22, weight);
}

QFont title3(QFont::Weight weight)
{
    return ViewFonts::font(20, weight);
}

QFont monospaced(QFont font)
{
    font.setFamilies({QStringLiteral("Noto Sans Mono"), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    return font;
}

QLabel* text(const QString& text, const QFont& font, Tone tone)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color(tone));
    label->setPalette(palette);
    return label;
}

QWidget* labelValue(const QString& label, const QString& value, const QFont& font)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text(label, font));
    layout->addStretch(1);
    QLabel* valueLabel = text(value, font, Tone::secondary);
    valueLabel->setObjectName(QStringLiteral("value"));
    valueLabel->setWordWrap(false);
    valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(valueLabel);
    return row;
}

QLabel* valueOf(QWidget* row)
{
    return row ? row->findChild<QLabel*>(QStringLiteral("value")) : nullptr;
}

QString shortened(const QString& id, int count)
{
    return id.left(count) + QChar(0x2026);
}

}  // namespace FormRows
