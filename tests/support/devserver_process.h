#pragma once

#include <QProcess>
#include <QUrl>

#include <memory>

// Runs the real devserver binary on a free loopback port for one test and
// points the client at it through the test-only server seam. Stops it (and
// restores nothing: each test process starts its own) when destroyed.
class DevServerProcess {
public:
    DevServerProcess();
    ~DevServerProcess();
    DevServerProcess(const DevServerProcess&) = delete;
    DevServerProcess& operator=(const DevServerProcess&) = delete;

    // Starts the server (on `port`, or a free one for 0); false when it did not come up in time.
    bool start(quint16 port = 0);
    // Kills the process at once, as a crash would.
    void kill();
    // Starts again on the same port as before.
    bool restart();
    // Every live socket open now goes silent, pings included, as behind a
    // dead link; sockets opened later are served. False when the server did not confirm.
    bool silenceLiveSockets();

    quint16 port() const { return port_; }
    QUrl baseURL() const;
    bool running() const;

private:
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
};
