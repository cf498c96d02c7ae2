#include "platform/user_defaults.h"

bool UserDefaults::contains(const QString& key) const
{
    return settings_.contains(key);
}

QVariant UserDefaults::value(const QString& key) const
{
    return settings_.value(key);
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    const QVariant v = settings_.value(key);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

std::optional<qint64> UserDefaults::integer(const QString& key) const
{
    const QVariant v = settings_.value(key);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

bool UserDefaults::boolean(const QString& key, bool fallback) const
{
    const QVariant v = settings_.value(key);
    return v.isValid() ? v.toBool() : fallback;
}

QByteArray UserDefaults::data(const QString& key) const
{
    return settings_.value(key).toByteArray();
}

void UserDefaults::set(const QString& key, const QVariant& value)
{
    settings_.setValue(key, value);
}

void UserDefaults::remove(const QString& key)
{
    settings_.remove(key);
}

void UserDefaults::sync()
{
    settings_.sync();
}

QString UserDefaults::escapeKeyComponent(const QString& text)
{
    QString out;
    const QByteArray utf8 = text.toUtf8();
    for (const char byte : utf8) {
        const auto c = static_cast<unsigned char>(byte);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                           || c == '_';
        if (plain)
            out.append(QLatin1Char(char(c)));
        else
            out.append(QStringLiteral("%%1").arg(int(c), 2, 16, QLatin1Char('0')).toUpper());
    }
    return out;
}
