#include "support/devserver_process.h"

#include "platform/server_test_seam.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

DevServerProcess::DevServerProcess() = default;

DevServerProcess::~DevServerProcess()
{
    kill();
}

bool DevServerProcess::start(quint16 port)
{
    kill();
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->setProgram(QStringLiteral(TOVRIN_DEVSERVER_PATH));
    process_->setArguments({QStringLiteral("--port"), QString::number(port), QStringLiteral("--test-hooks")});
    process_->start();
    if (!process_->waitForStarted(5000))
        return false;

    // The first stdout line is the port; allow a few seconds on a loaded machine.
    QDeadlineTimer deadline(10000);
    while (!process_->canReadLine() && !deadline.hasExpired()) {
        if (process_->state() != QProcess::Running)
            return false;
        process_->waitForReadyRead(100);
    }
    if (!process_->canReadLine())
        return false;
    bool ok = false;
    const uint chosen = QString::fromUtf8(process_->readLine()).trimmed().toUInt(&ok);
    if (!ok || chosen == 0 || chosen > 65535)
        return false;
    port_ = quint16(chosen);
    Server::setBaseURLForTesting(baseURL());
    return true;
}

void DevServerProcess::kill()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
    process_.reset();
}

bool DevServerProcess::restart()
{
    const quint16 previous = port_;
    // The port may linger briefly after a kill; retry within a bounded time.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (start(previous))
            return true;
        QTest::qWait(100);
    }
    return false;
}

bool DevServerProcess::silenceLiveSockets()
{
    QNetworkAccessManager network;
    QNetworkRequest request(baseURL().resolved(QUrl(QStringLiteral("/v1/test/silence-live"))));
    request.setTransferTimeout(5000);
    std::unique_ptr<QNetworkReply> reply(network.post(request, QByteArray()));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 6000))
        return false;
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 204;
}

QUrl DevServerProcess::baseURL() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_));
}

bool DevServerProcess::running() const
{
    return process_ && process_->state() == QProcess::Running;
}
