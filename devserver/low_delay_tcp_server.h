#pragma once

#include <QTcpServer>

// A TCP server whose accepted sockets send at once (no Nagle): small live
// frames would otherwise wait for delayed acknowledgements.
class LowDelayTcpServer : public QTcpServer {
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};
