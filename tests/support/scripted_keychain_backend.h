#pragma once

#include "platform/keychain.h"

// A Secret Service stand-in that fails or answers as told and counts its
// calls in `calls`, which outlives it (the keychain drops a failed backend).
class ScriptedKeychainBackend : public KeychainBackend {
public:
    struct Calls {
        int reads = 0;
        int writes = 0;
    };

    explicit ScriptedKeychainBackend(Calls* calls) : calls_(calls) {}

    Read readResult{Status::failed, {}, QStringLiteral("locked")};
    std::optional<QString> writeFailure = QStringLiteral("locked");

    QString name() const override { return QStringLiteral("scripted"); }
    Read read(const QString&) override
    {
        ++calls_->reads;
        return readResult;
    }
    std::optional<QString> write(const QString&, const QByteArray&) override
    {
        ++calls_->writes;
        return writeFailure;
    }

private:
    Calls* calls_;
};
