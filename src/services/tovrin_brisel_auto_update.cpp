#include "services/tovrin_brisel_auto_update.h"

#include "legal/app_legal.h"
#include "platform/background_task.h"
#include "platform/bundled_resources.h"
#include "platform/diagnostics.h"
#include "platform/errors.h"
#include "platform/http_session.h"
#include "platform/server.h"
#include "platform/user_defaults.h"
#include "services/tovrin_brisel_auto_update_test_seam.h"
#include "services/update_image_check.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>
#include <qcoro/qcorotimer.h>

#include <fcntl.h>
#include <spawn.h>
#include <syslog.h>
#include <vector>

namespace {

constexpr qint64 kHashChunk = 1024 * 1024;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

void logUpdateError(const QString& description)
{
    Diagnostics::logLine(LOG_ERR, QStringLiteral("[TovrinBriselAutoUpdate] ") + description);
}

// Descriptions of the three URL errors the installer can end with.
const char* const kBadServerResponse = "bad server response";
const char* const kCannotDecodeContent = "cannot decode raw data (checksum mismatch)";
const char* const kFileDoesNotExist = "file does not exist (installer script)";

bool loopbackHttpAllowed = false;
std::function<bool()> activityCheck;

TovrinBriselAutoUpdate::Error refusal(qint64 build, const QString& reason)
{
    return TovrinBriselAutoUpdate::Error(QStringLiteral("refused build %1: %2").arg(build).arg(reason).toStdString());
}

bool isLoopbackHost(const QString& host)
{
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("::1") || host == QLatin1String("localhost");
}

}  // namespace

void TovrinBriselAutoUpdateTestSeam::allowLoopbackHttp(bool allowed)
{
    loopbackHttpAllowed = allowed;
}

void TovrinBriselAutoUpdate::setActivityCheck(std::function<bool()> busy)
{
    activityCheck = std::move(busy);
}

TovrinBriselAutoUpdate::Environment TovrinBriselAutoUpdate::Environment::standard()
{
    Environment environment;
    QUrl manifest = Server::baseURL();
    manifest.setPath(QLatin1String(manifestPath));
    environment.manifestURL = manifest;
    environment.version = QCoreApplication::applicationVersion();
    environment.buildText = AppLegal::buildNumber();
    environment.workingDirectory = QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                                   + QStringLiteral("/tovrin-brisel-update");
    environment.applicationPath = QCoreApplication::applicationFilePath();
    environment.applicationPid = QCoreApplication::applicationPid();
    environment.now = [] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; };
    environment.spawn = &TovrinBriselAutoUpdate::spawnDetached;
    // The normal quit: the live channel closes, the resume state and the clean exit are written.
    environment.quit = [] { QCoreApplication::quit(); };
    environment.busy = [] { return activityCheck && activityCheck(); };
    return environment;
}

TovrinBriselAutoUpdate::TovrinBriselAutoUpdate(Environment environment, QObject* parent)
    : QObject(parent), environment_(std::move(environment))
{
}

void TovrinBriselAutoUpdate::checkOnLaunch()
{
    static QPointer<TovrinBriselAutoUpdate> shared;
    if (!shared)
        shared = new TovrinBriselAutoUpdate(Environment::standard(), QCoreApplication::instance());
    shared->startLaunchTasks();
}

void TovrinBriselAutoUpdate::startLaunchTasks()
{
    QCoro::connect(check(true, true), this, [] {});
    QCoro::connect(periodicPasses(), this, [] {});
}

QCoro::Task<void> TovrinBriselAutoUpdate::periodicPasses()
{
    QPointer<TovrinBriselAutoUpdate> self(this);
    const auto firstDelay = environment_.firstPassDelay;
    co_await QCoro::sleepFor(firstDelay);
    while (self) {
        co_await self->check(true, false);
        if (!self)
            co_return;
        const auto interval = self->environment_.passInterval;
        co_await QCoro::sleepFor(interval);
    }
}

void TovrinBriselAutoUpdate::storeLastCheck(double when)
{
    UserDefaults defaults;
    defaults.set(QLatin1String(lastCheckKey), when);
    defaults.sync();
}

QCoro::Task<void> TovrinBriselAutoUpdate::check(bool installIfNewer, bool force)
{
    QPointer<TovrinBriselAutoUpdate> self(this);
    const double now = environment_.now();
    const double last = UserDefaults().value(QLatin1String(lastCheckKey)).toDouble();
    if (!force && now - last < throttleSeconds)
        co_return;
    // Stored before fetching, so a failed fetch counts as a check too.
    storeLastCheck(now);
    const std::optional<UpdateManifest> manifest = co_await fetchManifest();
    if (!self || !manifest || !manifest->mac)
        co_return;
    co_await self->handleMac(*manifest->mac, installIfNewer);
}

QCoro::Task<std::optional<UpdateManifest>> TovrinBriselAutoUpdate::fetchManifest()
{
    try {
        HttpSession session(HttpSession::Timeouts{std::chrono::seconds(60), std::chrono::seconds(120)});
        const HttpReply reply = co_await session.send(QNetworkRequest(environment_.manifestURL), "GET");
        if (reply.status != 200)
            co_return std::nullopt;
        co_return UpdateManifest::fromJson(reply.body);
    } catch (...) {
        co_return std::nullopt;
    }
}

QCoro::Task<void> TovrinBriselAutoUpdate::handleMac(UpdatePlatformEntry remote, bool installIfNewer)
{
    if (!installIfNewer || !isNewer(remote, bundleVersion(), bundleBuild()))
        co_return;
    const QUrl url(remote.downloadURL, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        co_return;
    try {
        co_await downloadAndInstallMac(remote, url);
    } catch (const std::exception& error) {
        logUpdateError(QString::fromUtf8(error.what()));
    } catch (...) {
        logUpdateError(QStringLiteral("unknown error"));
    }
}

void TovrinBriselAutoUpdate::refuseBeforeDownload(const UpdatePlatformEntry& entry, const QUrl& url) const
{
    if (entry.checksumSHA256.value_or(QString()).isEmpty())
        throw refusal(entry.buildNumber, QStringLiteral("no checksum_sha256 in the manifest"));
    const bool https = url.scheme() == QLatin1String("https");
    const bool testLoopback = loopbackHttpAllowed && url.scheme() == QLatin1String("http") && isLoopbackHost(url.host());
    if (!https && !testLoopback)
        throw refusal(entry.buildNumber, QStringLiteral("download URL is not https (%1)").arg(url.toDisplayString()));
    const std::optional<qint64> attempted = UserDefaults().integer(QLatin1String(attemptedBuildKey));
    if (attempted && *attempted == entry.buildNumber)
        throw refusal(entry.buildNumber, QStringLiteral("already attempted"));
}

void TovrinBriselAutoUpdate::prepareWorkingDirectory() const
{
    // Only the user may enter it: the image and the installer's copy wait there.
    const QString& directory = environment_.workingDirectory;
    QDir().mkpath(directory);
    if (!QFile::setPermissions(directory, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        throw Error(directory.toStdString() + ": cannot make it private");
}

QCoro::Task<void> TovrinBriselAutoUpdate::downloadAndInstallMac(UpdatePlatformEntry entry, QUrl url)
{
    QPointer<TovrinBriselAutoUpdate> self(this);
    refuseBeforeDownload(entry, url);
    prepareWorkingDirectory();
    const QString image = imagePath();
    co_await download(url, image);
    if (!self)
        co_return;
    co_await verifyImage(entry, image);
    if (!self)
        co_return;
    const bool idle = co_await waitUntilIdle();
    if (!idle || !self)
        co_return;

    const std::optional<QString> script = updateScriptPath();
    if (!script || !QFile::exists(*script))
        throw Error(kFileDoesNotExist);
    // Handed over once: should the installer fail and bring the old build
    // back, that build does not fetch this one again and quit at every launch.
    rememberAttempt(entry.buildNumber);
    environment_.spawn(QStringLiteral("/bin/bash"),
                       {*script, image, QLatin1String(installerName), environment_.applicationPath},
                       installerEnvironment(environment_.applicationPid, entry.buildNumber));
    QTimer::singleShot(environment_.quitDelay, this, [this] { environment_.quit(); });
}

QCoro::Task<void> TovrinBriselAutoUpdate::verifyImage(UpdatePlatformEntry entry, QString image)
{
    QPointer<TovrinBriselAutoUpdate> self(this);
    // Hashing a large image would stall the window: it runs on a worker thread.
    // A named value: g++ 12 destroys a temporary coroutine argument twice.
    auto hashing = [image] { return sha256(image); };
    const QString digest = co_await runInBackground(std::move(hashing));
    if (!self)
        co_return;
    if (digest != entry.checksumSHA256->toLower()) {
        QFile::remove(image);
        throw Error(kCannotDecodeContent);
    }
    // A build whose image cannot run here is given up on: a mislabelled
    // image must not be fetched again at every launch.
    const auto giveUp = [&](const QString& reason) {
        QFile::remove(image);
        rememberAttempt(entry.buildNumber);
        return refusal(entry.buildNumber, reason);
    };
    if (const std::optional<QString> problem = UpdateImageCheck::elfProblem(image))
        throw giveUp(QStringLiteral("not an executable for this machine (%1)").arg(*problem));
    QFile::setPermissions(image, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QString reported;
    try {
        reported = co_await UpdateImageCheck::reportedBuild(image, environment_.trialRunTimeout);
    } catch (const std::exception& error) {
        throw giveUp(QString::fromUtf8(error.what()));
    }
    if (reported != QString::number(entry.buildNumber))
        throw giveUp(QStringLiteral("trial run reported build \"%1\"").arg(reported.left(64)));
}

void TovrinBriselAutoUpdate::rememberAttempt(qint64 build)
{
    UserDefaults defaults;
    defaults.set(QLatin1String(attemptedBuildKey), build);
    defaults.sync();
}

QCoro::Task<bool> TovrinBriselAutoUpdate::waitUntilIdle()
{
    QPointer<TovrinBriselAutoUpdate> self(this);
    while (self && self->environment_.busy && self->environment_.busy()) {
        const auto recheck = self->environment_.busyRecheck;
        co_await QCoro::sleepFor(recheck);
    }
    co_return bool(self);
}

QCoro::Task<void> TovrinBriselAutoUpdate::download(QUrl url, QString path)
{
    // Written beside the image and renamed over it only when complete; dropped on every failure.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(path.toStdString() + ": " + file.errorString().toStdString());

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(int(environment_.downloadIdleTimeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(manager.get(request),
                                                                    [](QNetworkReply* r) { r->deleteLater(); });
    bool writeFailed = false;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&file, &writeFailed, r = reply.get()] {
        const QByteArray chunk = r->readAll();
        if (!writeFailed && file.write(chunk) != chunk.size()) {
            writeFailed = true;
            r->abort();
        }
    });
    QTimer resourceTimer;
    resourceTimer.setSingleShot(true);
    QObject::connect(&resourceTimer, &QTimer::timeout, reply.get(), [r = reply.get()] { r->abort(); });
    resourceTimer.start(environment_.downloadResourceTimeout);

    co_await qCoro(reply.get()).waitForFinished(environment_.downloadResourceTimeout + std::chrono::seconds(5));
    resourceTimer.stop();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (writeFailed) {
        file.cancelWriting();
        throw Error(path.toStdString() + ": " + file.errorString().toStdString());
    }
    if (!reply->isFinished() || (!status.isValid() && reply->error() != QNetworkReply::NoError)) {
        const QString description = reply->errorString();
        if (!reply->isFinished())
            reply->abort();
        file.cancelWriting();
        throw Error(description.toStdString());
    }
    if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299) {
        file.cancelWriting();
        throw Error(kBadServerResponse);
    }
    if (reply->error() != QNetworkReply::NoError) {
        file.cancelWriting();
        throw Error(reply->errorString().toStdString());
    }
    file.write(reply->readAll());
    if (!file.commit())
        throw Error(path.toStdString() + ": " + file.errorString().toStdString());
}

QString TovrinBriselAutoUpdate::sha256(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(filePath.toStdString() + ": " + file.errorString().toStdString());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    while (true) {
        const QByteArray chunk = file.read(kHashChunk);
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                throw Error(filePath.toStdString() + ": " + file.errorString().toStdString());
            break;
        }
        hash.addData(chunk);
    }
    return QString::fromLatin1(hash.result().toHex());
}

std::optional<QString> TovrinBriselAutoUpdate::updateScriptPath() const
{
    BundledResources::ensureLoaded();
    QFile resource(QStringLiteral(":/updates/update_tovrin_brisel.sh"));
    if (!resource.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDir().mkpath(environment_.workingDirectory);
    const QString path = environment_.workingDirectory + QStringLiteral("/update_tovrin_brisel.sh");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(resource.readAll()) < 0 || !out.commit())
        return std::nullopt;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QStringList TovrinBriselAutoUpdate::installerEnvironment(qint64 applicationPid, qint64 build)
{
    QStringList environment{QStringLiteral("PATH=/usr/bin:/bin"),
                            QStringLiteral("TOVRIN_APP_PID=%1").arg(applicationPid),
                            QStringLiteral("TOVRIN_UPDATE_BUILD=%1").arg(build)};
    // The user's folders too: a client started with folders of its own comes
    // back with the same identity and settings.
    for (const char* name : {"HOME", "LANG", "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR",
                             "DBUS_SESSION_BUS_ADDRESS", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME"}) {
        if (qEnvironmentVariableIsSet(name))
            environment << QLatin1String(name) + QLatin1Char('=') + qEnvironmentVariable(name);
    }
    return environment;
}

void TovrinBriselAutoUpdate::spawnDetached(const QString& executable, const QStringList& arguments,
                                           const QStringList& environment)
{
    // Zero-terminated copies that live until posix_spawn returns.
    const auto vectorOf = [](std::vector<QByteArray>& copies) {
        std::vector<char*> pointers;
        for (QByteArray& copy : copies)
            pointers.push_back(copy.data());
        pointers.push_back(nullptr);
        return pointers;
    };
    std::vector<QByteArray> argumentCopies{executable.toUtf8()};
    for (const QString& argument : arguments)
        argumentCopies.push_back(argument.toUtf8());
    std::vector<QByteArray> environmentCopies;
    for (const QString& variable : environment)
        environmentCopies.push_back(variable.toUtf8());
    std::vector<char*> argv = vectorOf(argumentCopies);
    std::vector<char*> envp = vectorOf(environmentCopies);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: a signal to the application's group or terminal does not reach it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    pid_t pid = 0;
    const int code = posix_spawn(&pid, argumentCopies.front().constData(), &actions, &attributes, argv.data(),
                                 envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (code != 0)
        throw Error("posix_spawn failed (" + std::to_string(code) + ")");
}

QString TovrinBriselAutoUpdate::imagePath() const
{
    return environment_.workingDirectory + QLatin1Char('/') + QLatin1String(imageName);
}

QString TovrinBriselAutoUpdate::bundleVersion() const
{
    return environment_.version.isEmpty() ? QStringLiteral("0") : environment_.version;
}

qint64 TovrinBriselAutoUpdate::bundleBuild() const
{
    return parseBuild(environment_.buildText);
}

qint64 TovrinBriselAutoUpdate::parseBuild(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    if (!whole.match(text).hasMatch())
        return 0;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

bool TovrinBriselAutoUpdate::isNewer(const UpdatePlatformEntry& remote, const QString& localVersion, qint64 localBuild)
{
    if (remote.buildNumber != localBuild)
        return remote.buildNumber > localBuild;
    return compareNumeric(remote.version, localVersion) > 0;
}

int TovrinBriselAutoUpdate::compareNumeric(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && isAsciiDigit(a[i]))
                ++i;
            while (j < b.size() && isAsciiDigit(b[j]))
                ++j;
            // Leading zeros aside, the longer run is the larger number; equal lengths compare by digit.
            QStringView runA = QStringView(a).mid(startA, i - startA);
            QStringView runB = QStringView(b).mid(startB, j - startB);
            while (runA.size() > 1 && runA.front() == QLatin1Char('0'))
                runA = runA.mid(1);
            while (runB.size() > 1 && runB.front() == QLatin1Char('0'))
                runB = runB.mid(1);
            if (runA.size() != runB.size())
                return runA.size() < runB.size() ? -1 : 1;
            if (const int order = runA.compare(runB); order != 0)
                return order < 0 ? -1 : 1;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}
