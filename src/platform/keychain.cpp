#include "platform/keychain.h"

#include "platform/keychain_test_seam.h"
#include "platform/tovrin_log.h"
#include "platform/user_defaults.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace {

constexpr QFileDevice::Permissions ownerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions ownerOnlyDirectory = ownerOnlyFile | QFileDevice::ExeOwner;

// Starts `job` and waits for it on a local event loop for at most `timeout`.
// The job deletes itself when it finishes, also after we stopped waiting.
// Returns false when it did not finish in time; `onFinished` runs only if it did.
template <class OnFinished>
bool runJob(QKeychain::Job* job, std::chrono::milliseconds timeout, OnFinished onFinished)
{
    QEventLoop loop;
    bool finished = false;
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        finished = true;
        onFinished(done);
        loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    job->start();
    loop.exec();
    return finished;
}

std::unique_ptr<Keychain>& sharedSlot()
{
    static std::unique_ptr<Keychain> keychain;
    return keychain;
}

}  // namespace

// MARK: file

FileKeychainBackend::FileKeychainBackend(QString directory)
    : directory_(std::move(directory))
{
}

QString FileKeychainBackend::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/keychain");
}

QString FileKeychainBackend::pathFor(const QString& account) const
{
    return directory_ + QLatin1Char('/') + UserDefaults::escapeKeyComponent(account);
}

KeychainBackend::Read FileKeychainBackend::read(const QString& account)
{
    QFile file(pathFor(account));
    if (!file.exists())
        return {Status::missing, {}, {}};
    if (!file.open(QIODevice::ReadOnly))
        return {Status::failed, {}, file.errorString()};
    return {Status::found, file.readAll(), {}};
}

std::optional<QString> FileKeychainBackend::write(const QString& account, const QByteArray& data)
{
    if (!QDir().mkpath(directory_))
        return QStringLiteral("cannot create %1").arg(directory_);
    if (!QFile::setPermissions(directory_, ownerOnlyDirectory))
        return QStringLiteral("cannot restrict %1").arg(directory_);

    QSaveFile file(pathFor(account));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.setPermissions(ownerOnlyFile);
    if (file.write(data) != data.size() || !file.commit())
        return file.errorString();
    if (!QFile::setPermissions(pathFor(account), ownerOnlyFile))
        return QStringLiteral("cannot restrict %1").arg(pathFor(account));
    return std::nullopt;
}

// MARK: Secret Service

SecretServiceKeychainBackend::SecretServiceKeychainBackend(std::chrono::milliseconds timeout)
    : timeout_(timeout)
{
}

bool SecretServiceKeychainBackend::sessionBusOffered()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.startsWith("disabled:"))
        return false;
    if (!address.isEmpty())
        return true;
    // The systemd user bus, which libdbus finds without the variable.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool SecretServiceKeychainBackend::providerOffered()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon)
        return false;
    const QStringList activatable = daemon->activatableServiceNames().value();
    for (const char* name : {"org.freedesktop.secrets", "org.kde.kwalletd6", "org.kde.kwalletd5", "org.kde.kwalletd"}) {
        if (daemon->isServiceRegistered(QLatin1String(name)).value() || activatable.contains(QLatin1String(name)))
            return true;
    }
    return false;
}

KeychainBackend::Read SecretServiceKeychainBackend::read(const QString& account)
{
    Read result{Status::failed, {}, QStringLiteral("no answer within %1 ms").arg(timeout_.count())};
    auto* job = new QKeychain::ReadPasswordJob(QString());
    job->setKey(account);
    runJob(job, timeout_, [&](QKeychain::Job* done) {
        if (done->error() == QKeychain::NoError)
            result = {Status::found, static_cast<QKeychain::ReadPasswordJob*>(done)->binaryData(), {}};
        else if (done->error() == QKeychain::EntryNotFound)
            result = {Status::missing, {}, {}};
        else
            result = {Status::failed, {}, done->errorString()};
    });
    return result;
}

std::optional<QString> SecretServiceKeychainBackend::write(const QString& account, const QByteArray& data)
{
    std::optional<QString> failure = QStringLiteral("no answer within %1 ms").arg(timeout_.count());
    auto* job = new QKeychain::WritePasswordJob(QString());
    job->setKey(account);
    job->setBinaryData(data);
    runJob(job, timeout_, [&](QKeychain::Job* done) {
        if (done->error() == QKeychain::NoError)
            failure.reset();
        else
            failure = done->errorString();
    });
    return failure;
}

// MARK: the keychain

Keychain::Keychain(std::unique_ptr<KeychainBackend> primary, std::unique_ptr<KeychainBackend> file)
    : primary_(std::move(primary)), file_(std::move(file))
{
}

Keychain::~Keychain() = default;

Keychain& Keychain::shared()
{
    std::unique_ptr<Keychain>& slot = sharedSlot();
    if (!slot) {
        std::unique_ptr<KeychainBackend> primary;
        if (SecretServiceKeychainBackend::sessionBusOffered() && SecretServiceKeychainBackend::providerOffered())
            primary = std::make_unique<SecretServiceKeychainBackend>();
        slot = std::make_unique<Keychain>(std::move(primary), std::make_unique<FileKeychainBackend>());
    }
    return *slot;
}

void KeychainTestSeam::replaceShared(std::unique_ptr<Keychain> keychain)
{
    sharedSlot() = std::move(keychain);
}

void Keychain::abandonPrimary(const QString& action, const QString& error)
{
    TovrinLog::fault(QStringLiteral("keychain: %1 %2 failed (%3); using the file store from now on")
                         .arg(primary_->name(), action, error));
    primary_.reset();
    primaryFailed_ = true;
}

std::optional<QString> Keychain::writeFile(const QString& account, const QByteArray& data)
{
    const std::optional<QString> failure = file_->write(account, data);
    if (failure)
        TovrinLog::fault(QStringLiteral("keychain: %1 write of \"%2\" failed (%3)").arg(file_->name(), account, *failure));
    return failure;
}

KeychainBackend::Read Keychain::read(const QString& account)
{
    if (primary_) {
        KeychainBackend::Read read = primary_->read(account);
        if (read.status == KeychainBackend::Status::found) {
            if (const KeychainBackend::Read kept = file_->read(account); kept.data != read.data
                                                                          || kept.status != read.status)
                writeFile(account, read.data);
            return read;
        }
        if (read.status == KeychainBackend::Status::failed)
            abandonPrimary(QStringLiteral("read of \"%1\"").arg(account), read.error);
    }
    KeychainBackend::Read read = file_->read(account);
    if (read.status == KeychainBackend::Status::failed)
        TovrinLog::fault(QStringLiteral("keychain: %1 read of \"%2\" failed (%3)").arg(file_->name(), account, read.error));
    else if (read.status == KeychainBackend::Status::missing && primaryFailed_)
        read = {KeychainBackend::Status::failed, {}, QStringLiteral("the Secret Service failed and the file holds nothing")};
    return read;
}

bool Keychain::write(const QString& account, const QByteArray& data)
{
    bool stored = false;
    if (primary_) {
        const std::optional<QString> failure = primary_->write(account, data);
        stored = !failure;
        if (failure)
            abandonPrimary(QStringLiteral("write of \"%1\"").arg(account), *failure);
    }
    return !writeFile(account, data) || stored;
}
