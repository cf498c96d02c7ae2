#pragma once

#include "platform/server_test_seam.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUrl>

#include <cstdio>

// Starts the devserver built beside the benchmarks on a free port and points
// the client at it; false (said on stderr) when it did not start. The caller
// kills the process.
inline bool startDevServer(QProcess& process, const char* bench)
{
    process.start(QCoreApplication::applicationDirPath() + "/../devserver/tovrin-devserver", {"--port", "0"});
    bool ok = process.waitForStarted(5000) && process.waitForReadyRead(5000);
    const quint16 port = ok ? process.readLine().trimmed().toUShort(&ok) : 0;
    if (!ok) {
        std::fprintf(stderr, "%s: the devserver did not start\n", bench);
        return false;
    }
    Server::setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    return true;
}
