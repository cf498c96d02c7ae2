#include "app/tovrin_app_delegate.h"
#include "app/tovrin_brisel_app.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TovrinBrisel"));
    QApplication::setApplicationName(QStringLiteral("tovrin-brisel"));
    QApplication::setApplicationDisplayName(QStringLiteral("My Tovrin-Brisel"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRIN_VERSION));
    TovrinAppDelegate().didFinishLaunching();

    int status = 0;
    {
        TovrinBriselApp app;
        app.show();
        status = QApplication::exec();
    }  // audio and sockets are torn down before the application object goes
    return status;
}
