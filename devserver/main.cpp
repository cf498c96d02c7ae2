#include "dev_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovrin-devserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local in-memory server for Tovrin Brisel development and tests"));
    parser.addHelpOption();
    QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Loopback port; 0 picks a free one."),
                                  QStringLiteral("port"), QStringLiteral("8787"));
    parser.addOption(portOption);
    QCommandLineOption testHooksOption(QStringLiteral("test-hooks"),
                                       QStringLiteral("Adds routes only tests use (POST /v1/test/silence-live)."));
    parser.addOption(testHooksOption);
    parser.process(app);

    bool ok = false;
    const uint requested = parser.value(portOption).toUInt(&ok);
    if (!ok || requested > 65535) {
        std::fprintf(stderr, "tovrin-devserver: invalid port %s\n", qPrintable(parser.value(portOption)));
        return 2;
    }

    DevServer server(parser.isSet(testHooksOption));
    const quint16 port = server.listen(quint16(requested));
    if (port == 0) {
        std::fprintf(stderr, "tovrin-devserver: cannot listen on 127.0.0.1:%u\n", requested);
        return 1;
    }
    // The first line is the port alone, for scripts and tests that start us with --port 0.
    std::printf("%u\n", unsigned(port));
    std::fflush(stdout);
    return app.exec();
}
