#include "models/sfx_kind.h"

#include <QHashFunctions>

QString rawValue(SFXKind kind)
{
    switch (kind) {
    case SFXKind::rxOpen:
        return QStringLiteral("rx_open");
    case SFXKind::callTone:
        return QStringLiteral("call_tone");
    case SFXKind::pttEnd:
        return QStringLiteral("ptt_end");
    }
    Q_UNREACHABLE();
}

std::optional<SFXKind> sfxKindFromRawValue(const QString& raw)
{
    for (SFXKind kind : allSFXKinds) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

size_t qHash(SFXKind kind, size_t seed)
{
    return qHash(rawValue(kind), seed);
}
