#include "services/floating_phone_window.h"

#include <QApplication>
#include <QWidget>

namespace FloatingPhoneWindowConfigurator {

void apply(QWidget* window)
{
    if (!window)
        return;
    window->setMinimumSize(kWidth, kHeight);
    window->setMaximumSize(kWidth, kHeight);
    window->setWindowTitle(QStringLiteral("My Tovrin-Brisel"));
    window->setAttribute(Qt::WA_TranslucentBackground, true);
    window->setAutoFillBackground(false);
}

void applyToActiveScenes()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isWindow() && window->windowType() == Qt::Window)
            apply(window);
    }
}

}  // namespace FloatingPhoneWindowConfigurator
