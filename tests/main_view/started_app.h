#pragma once

// The app's real window, shown against whatever server the test set up, with
// a short pause before the radio is restored; true once start-up has run.
#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"

#include <QTest>

#include <chrono>

inline bool showAndWaitForStartUp(TovrinBriselApp& app)
{
    MainTovrinView* view = app.window()->mainView();
    view->setRestorePause(std::chrono::milliseconds(10));
    app.show();
    return QTest::qWaitFor([view] { return view->startUpFinished(); }, 15000);
}
