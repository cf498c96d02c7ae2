#pragma once

#include <QProgressBar>

// An indeterminate progress indicator, a thin running bar, for a row that
// says something is under way.
QProgressBar* makeBusyIndicator(QWidget* parent);
