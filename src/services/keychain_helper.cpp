#include "services/keychain_helper.h"

#include "platform/keychain.h"
#include "platform/tovrin_log.h"

#include <QStringDecoder>

namespace KeychainHelper {

Entry load(const QString& key)
{
    const KeychainBackend::Read read = Keychain::shared().read(key);
    switch (read.status) {
    case KeychainBackend::Status::missing:
        return {Entry::State::missing, {}};
    case KeychainBackend::Status::failed:
        return {Entry::State::unreadable, {}};
    case KeychainBackend::Status::found:
        break;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString value = utf8(read.data);
    if (utf8.hasError()) {
        TovrinLog::fault(QStringLiteral("keychain: \"%1\" holds bytes that are not UTF-8").arg(key));
        return {Entry::State::missing, {}};
    }
    return {Entry::State::found, value};
}

bool save(const QString& key, const QString& value)
{
    return Keychain::shared().write(key, value.toUtf8());
}

}  // namespace KeychainHelper
