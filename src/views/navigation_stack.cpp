#include "views/navigation_stack.h"

#include "platform/symbol_image.h"
#include "theme/system_colors.h"
#include "views/view_fonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

NavigationStack::NavigationStack(QWidget* root, QWidget* parent)
    : QWidget(parent), bar_(new QWidget(this)), back_(new QToolButton(bar_)), title_(new QLabel(bar_)),
      pages_(new QStackedWidget(this))
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, systemColor(SystemColor::GroupedBackground));
    setPalette(palette);

    title_->setTextFormat(Qt::PlainText);
    title_->setAlignment(Qt::AlignCenter);
    title_->setFont(ViewFonts::font(17, QFont::DemiBold));
    back_->setAutoRaise(true);
    back_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_->setText(QStringLiteral("Back"));
    back_->setIcon(QIcon(SymbolImage::render(QStringLiteral("chevron.left"), 18, systemColor(SystemColor::Blue), 2.0)));
    back_->setFont(ViewFonts::font(17));
    back_->setStyleSheet(QStringLiteral("QToolButton { color: #007AFF; border: none; }"));
    connect(back_, &QToolButton::clicked, this, &NavigationStack::pop);

    auto* barLayout = new QGridLayout(bar_);
    barLayout->setContentsMargins(8, 6, 8, 6);
    barLayout->addWidget(title_, 0, 0, 1, 3);
    barLayout->addWidget(back_, 0, 0, Qt::AlignLeft);
    bar_->setFixedHeight(44);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar_);
    layout->addWidget(pages_, 1);

    root->installEventFilter(this);
    pages_->addWidget(root);
    updateBar();
}

NavigationStack* NavigationStack::of(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* stack = qobject_cast<NavigationStack*>(w))
            return stack;
    return nullptr;
}

bool NavigationStack::pushFrom(QWidget* from, QWidget* page)
{
    if (NavigationStack* stack = of(from)) {
        stack->push(page);
        return true;
    }
    delete page;
    return false;
}

void NavigationStack::push(QWidget* page)
{
    if (page->metaObject()->indexOfSignal("dismissRequested()") >= 0)
        connect(page, SIGNAL(dismissRequested()), this, SLOT(pop()));
    page->installEventFilter(this);
    pages_->addWidget(page);
    pages_->setCurrentWidget(page);
    updateBar();
    emit depthChanged(depth());
}

void NavigationStack::pop()
{
    if (pages_->count() > 1)
        popPage(pages_->widget(pages_->count() - 1));
}

void NavigationStack::popPage(QWidget* page)
{
    pages_->removeWidget(page);
    page->removeEventFilter(this);
    page->hide();
    page->deleteLater();
    pages_->setCurrentIndex(pages_->count() - 1);
    updateBar();
    emit depthChanged(depth());
}

int NavigationStack::depth() const
{
    return pages_->count();
}

QWidget* NavigationStack::top() const
{
    return pages_->currentWidget();
}

QString NavigationStack::title() const
{
    return title_->text();
}

bool NavigationStack::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange && watched == top())
        updateBar();
    return QWidget::eventFilter(watched, event);
}

void NavigationStack::updateBar()
{
    QWidget* page = top();
    bar_->setVisible(!(page && page->property("ownsNavigationBar").toBool()));
    title_->setText(page ? page->windowTitle() : QString());
    back_->setVisible(pages_->count() > 1);
    if (pages_->count() > 1)
        // "&" would be read as a shortcut mark ("About & Legal").
        back_->setText(pages_->widget(pages_->count() - 2)->windowTitle().replace(QLatin1Char('&'), QStringLiteral("&&")));
}
