#include "dev_state.h"

#include <QCryptographicHash>

namespace {

// Radio IDs and owned channels derive from the uid so a user keeps them across
// devserver restarts within a test run.
QByteArray digestOf(const QString& uid)
{
    return QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha256);
}

}  // namespace

DevUser& DevState::user(const QString& uid)
{
    auto it = usersByUid.find(uid);
    if (it != usersByUid.end())
        return *it;

    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    const QByteArray digest = digestOf(uid);
    QString radioId = QStringLiteral("Q-");
    for (int i = 0; i < 6; ++i)
        radioId.append(QLatin1Char(alphabet[static_cast<unsigned char>(digest[i]) % 32]));
    const quint32 spread = (quint32(quint8(digest[6])) << 16) | (quint32(quint8(digest[7])) << 8) | quint8(digest[8]);

    DevUser created;
    created.uid = uid;
    created.radioId = radioId;
    created.ownedChannel = 101 + int(spread % (64000 - 101 + 1));
    return *usersByUid.insert(uid, created);
}
