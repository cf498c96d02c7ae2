#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// The device's secret store: small values kept per account name across starts.
// GUI thread only; calls are synchronous (each backend bounds its own wait).

class KeychainBackend {
public:
    enum class Status { found, missing, failed };
    struct Read {
        Status status = Status::missing;
        QByteArray data;  // only when found
        QString error;    // only when failed
    };

    virtual ~KeychainBackend() = default;
    virtual QString name() const = 0;
    virtual Read read(const QString& account) = 0;
    // The failure's text, or nothing when the value was stored.
    virtual std::optional<QString> write(const QString& account, const QByteArray& data) = 0;
};

// One file per account in a directory only the user may enter; each file is
// readable only by the user and replaced atomically.
class FileKeychainBackend : public KeychainBackend {
public:
    explicit FileKeychainBackend(QString directory = defaultDirectory());

    // "keychain" under the application's data directory.
    static QString defaultDirectory();

    QString name() const override { return QStringLiteral("file"); }
    Read read(const QString& account) override;
    std::optional<QString> write(const QString& account, const QByteArray& data) override;

    QString pathFor(const QString& account) const;

private:
    QString directory_;
};

// The Secret Service through QtKeychain (no service name, the account as key).
// A locked keyring may prompt and never answer, so every job gets `timeout`;
// a job that does not finish in time counts as a failure.
class SecretServiceKeychainBackend : public KeychainBackend {
public:
    explicit SecretServiceKeychainBackend(std::chrono::milliseconds timeout = std::chrono::seconds(3));

    QString name() const override { return QStringLiteral("Secret Service"); }
    Read read(const QString& account) override;
    std::optional<QString> write(const QString& account, const QByteArray& data) override;

    // True when the environment names a session bus the Secret Service could live on.
    static bool sessionBusOffered();
    // True when that bus has a secrets provider running or able to start.
    // Without one the Secret Service holds nothing: the file alone is the keychain.
    static bool providerOffered();

private:
    std::chrono::milliseconds timeout_;
};

// The keychain the client uses: the Secret Service when the session bus
// offers a secrets provider, else the file. Writes go to both stores, so whichever one a later
// start can reach holds the same value. When the Secret Service fails, the
// failure is logged as a fault and the file serves from then on; a value the
// file lacks then reads as `failed`, never `missing`, since the Secret Service
// may hold it. A value found only in the Secret Service is copied to the file.
class Keychain {
public:
    Keychain(std::unique_ptr<KeychainBackend> primary, std::unique_ptr<KeychainBackend> file);
    ~Keychain();

    // The process's keychain, chosen from the environment on first use.
    static Keychain& shared();

    // `failed` when a value may exist but could not be read from any store.
    KeychainBackend::Read read(const QString& account);
    // False when no store took the value (logged as a fault).
    bool write(const QString& account, const QByteArray& data);

private:
    void abandonPrimary(const QString& action, const QString& error);
    std::optional<QString> writeFile(const QString& account, const QByteArray& data);

    std::unique_ptr<KeychainBackend> primary_;  // null once it failed, or when none is offered
    std::unique_ptr<KeychainBackend> file_;
    bool primaryFailed_ = false;
};
