#include "views/sheet_overlay.h"

#include "platform/symbol_image.h"
#include "theme/system_colors.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kTopGap = 44;       // the dimmed strip left above the panel
constexpr int kPanelRadius = 16;

}  // namespace

SheetOverlay::SheetOverlay(const QString& title, QWidget* host)
    : QWidget(host), panel_(new QWidget(this)), title_(new QLabel(title, panel_)), closeButton_(new QToolButton(panel_)),
      contentLayout_(nullptr)
{
    setObjectName(QStringLiteral("SheetOverlay"));
    setFocusPolicy(Qt::StrongFocus);
    hide();

    panel_->setObjectName(QStringLiteral("SheetPanel"));
    panel_->setAttribute(Qt::WA_StyledBackground);
    panel_->setStyleSheet(QStringLiteral("#SheetPanel { background: %1; border-top-left-radius: %2px; "
                                         "border-top-right-radius: %2px; }")
                              .arg(systemColor(SystemColor::GroupedBackground).name())
                              .arg(kPanelRadius));

    title_->setTextFormat(Qt::PlainText);
    QFont titleFont = title_->font();
    titleFont.setPixelSize(17);
    titleFont.setWeight(QFont::DemiBold);
    title_->setFont(titleFont);
    title_->setAlignment(Qt::AlignCenter);

    closeButton_->setAccessibleName(QStringLiteral("Close"));
    closeButton_->setToolTip(QStringLiteral("Close"));
    closeButton_->setAutoRaise(true);
    closeButton_->setIcon(QIcon(SymbolImage::render(QStringLiteral("xmark"), 14, QColor(60, 60, 67), 2.0)));
    connect(closeButton_, &QToolButton::clicked, this, &SheetOverlay::dismiss);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 12, 12, 4);
    header->addSpacing(24);
    header->addWidget(title_, 1);
    header->addWidget(closeButton_);

    contentLayout_ = new QVBoxLayout;
    contentLayout_->setContentsMargins(12, 4, 12, 12);

    auto* panelLayout = new QVBoxLayout(panel_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addLayout(header);
    panelLayout->addLayout(contentLayout_, 1);

    // A sheet covers the whole window, tab bar included, but belongs to the
    // screen that opened it: it goes when that screen goes.
    connect(host, &QObject::destroyed, this, [this] {
        hide();
        deleteLater();
    });
    fitHost();
}

QString SheetOverlay::title() const
{
    return title_->text();
}

void SheetOverlay::setContent(QWidget* content)
{
    if (content_)
        content_->deleteLater();
    content_ = content;
    if (content)
        contentLayout_->addWidget(content);
}

void SheetOverlay::present()
{
    QWidget* top = parentWidget() ? parentWidget()->window() : nullptr;
    if (top && top != parentWidget()) {
        setParent(top);
        top->installEventFilter(this);
    } else if (parentWidget()) {
        parentWidget()->installEventFilter(this);
    }
    fitHost();
    show();
    raise();
    setFocus(Qt::PopupFocusReason);
}

void SheetOverlay::dismiss()
{
    if (isHidden())
        return;
    hide();
    Q_EMIT dismissed();
}

void SheetOverlay::fitHost()
{
    if (!parentWidget())
        return;
    setGeometry(parentWidget()->rect());
    panel_->setGeometry(0, kTopGap, width(), height() - kTopGap);
}

bool SheetOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        fitHost();
    return QWidget::eventFilter(watched, event);
}

void SheetOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SheetOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), systemColor(SystemColor::Black, 0.35));
}

void SheetOverlay::mousePressEvent(QMouseEvent* event)
{
    // Taps on the dimmed strip do not reach the screen behind the sheet.
    event->accept();
}
