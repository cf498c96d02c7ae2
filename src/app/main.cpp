#include "app/app_identity.h"
#include "app/tovrin_app_delegate.h"
#include "app/tovrin_brisel_app.h"
#include "legal/app_legal.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // The updater's trial run of a new build: answer before any window or display is touched.
    if (argc == 2 && std::strcmp(argv[1], "--print-build") == 0) {
        std::printf("%s\n", AppLegal::buildNumber().toUtf8().constData());
        return 0;
    }

    QApplication application(argc, argv);
    AppIdentity::apply();
    TovrinAppDelegate().didFinishLaunching();

    int status = 0;
    {
        TovrinBriselApp app;
        app.show();
        status = QApplication::exec();
    }  // audio and sockets (the live channel among them) are torn down before the application object goes
    return status;
}
