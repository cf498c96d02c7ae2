#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

// The user's persisted choices ("tovrin.*" keys), kept in QSettings under the
// application's organisation and name. Keys are used exactly as written; a key
// that embeds server text must pass that text through escapeKeyComponent().
// GUI thread only.
class UserDefaults {
public:
    UserDefaults() = default;

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    bool boolean(const QString& key, bool fallback = false) const;
    QByteArray data(const QString& key) const;

    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);
    void sync();

    // Makes server-provided text safe inside one key: only letters, digits,
    // '-' and '_' stay; everything else becomes "%XX" of its UTF-8 bytes, so
    // distinct inputs give distinct keys and no separator ever leaks in.
    static QString escapeKeyComponent(const QString& text);

private:
    mutable QSettings settings_;
};
