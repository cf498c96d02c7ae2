#include "app/tovrin_brisel_app.h"

#include "app/main_tovrin_view.h"
#include "services/floating_phone_window.h"
#include "services/scene_phase.h"
#include "services/voice_files.h"
#include "views/privacy_policy_gate_view.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QStyleFactory>

namespace {

// The whole application renders in the light appearance, whatever the desktop's.
void useLightAppearance()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Button, QColor(0xF2, 0xF2, 0xF7));
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x00, 0x7A, 0xFF));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, Qt::white);
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(0x3C, 0x3C, 0x43, 0x99));
    QApplication::setPalette(palette);

    QFont font(QStringLiteral("Noto Sans"));
    font.setFamilies({QStringLiteral("Noto Sans"), QStringLiteral("Noto Color Emoji")});
    font.setPixelSize(14);
    QApplication::setFont(font);
}

}  // namespace

AppShellView::AppShellView(QWidget* parent) : QWidget(parent), mainView_(new MainTovrinView(this))
{
    FloatingPhoneWindowConfigurator::apply(this);
    resize(FloatingPhoneWindowConfigurator::kWidth, FloatingPhoneWindowConfigurator::kHeight);
}

bool AppShellView::event(QEvent* event)
{
    // The window is fixed again whenever it appears or becomes active.
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        FloatingPhoneWindowConfigurator::apply(this);
    return QWidget::event(event);
}

void AppShellView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The content always gets the whole window, centred.
    mainView_->setGeometry(rect());
}

TovrinBriselApp::TovrinBriselApp()
{
    // Voices recorded or received by runs that were killed go first.
    VoiceFiles::removeLeftovers();
    useLightAppearance();
    window_ = std::make_unique<AppShellView>();
    PrivacyPolicyGateModifier::apply(window_.get());
    phases_ = new ScenePhaseTracker(window_.get());
    connect(phases_, &ScenePhaseTracker::phaseChanged, window_->mainView(), &MainTovrinView::applyScenePhase);
}

TovrinBriselApp::~TovrinBriselApp()
{
    window_.reset();
    VoiceFiles::removeAll();
}

void TovrinBriselApp::show()
{
    window_->show();
}
