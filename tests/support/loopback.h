#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QUrl>

// An http address on a loopback port nobody listens on: the port was free a
// moment ago and its listener is closed again.
inline QUrl closedLoopbackURL()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}
