#include "services/floating_phone_window.h"

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

}  // namespace FloatingPhoneWindowConfigurator
