#include "legal/app_legal.h"
#include "platform/diagnostics.h"
#include "platform/server.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TovrinBrisel"));
    QApplication::setApplicationName(QStringLiteral("tovrin-brisel"));
    Diagnostics::printLine(QStringLiteral("Tovrin Brisel build %1 against %2: the radio window is not built yet.")
                               .arg(AppLegal::buildNumber(), Server::baseURL().toString()));
    return 0;
}
