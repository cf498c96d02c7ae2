#include "views/busy_indicator.h"


QProgressBar* makeBusyIndicator(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedHeight(6);
    return bar;
}
