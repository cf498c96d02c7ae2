#pragma once

#include "platform/errors.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Strict JSON decoding. A required field must be present, non-null and of its
// JSON type; an optional field that is missing or null is empty. Nothing is
// coerced (no number from a string, no bool from a number), integers are taken
// exactly (64-bit, no fractions), and keys a record does not name are ignored.
// Every failure throws DecodeError naming the key.
namespace Json {

QJsonObject parseObject(const QByteArray& text);
QJsonArray parseArray(const QByteArray& text);
QByteArray serialize(const QJsonObject& object);

QString requireString(const QJsonObject& object, const QString& key);
qint64 requireInt(const QJsonObject& object, const QString& key);
bool requireBool(const QJsonObject& object, const QString& key);
double requireDouble(const QJsonObject& object, const QString& key);
QJsonObject requireObject(const QJsonObject& object, const QString& key);
QJsonArray requireArray(const QJsonObject& object, const QString& key);
QStringList requireStringArray(const QJsonObject& object, const QString& key);

std::optional<QString> optionalString(const QJsonObject& object, const QString& key);
std::optional<qint64> optionalInt(const QJsonObject& object, const QString& key);
std::optional<bool> optionalBool(const QJsonObject& object, const QString& key);
std::optional<QJsonObject> optionalObject(const QJsonObject& object, const QString& key);

// A JSON value as an exact integer, if it is one.
std::optional<qint64> exactInteger(const QJsonValue& value);

// Decodes every element of an array with `decode(const QJsonObject&)`; one bad
// element fails the whole list.
template <class Decode>
auto decodeList(const QJsonArray& array, const QString& what, Decode decode)
    -> std::vector<decltype(decode(QJsonObject{}))>
{
    std::vector<decltype(decode(QJsonObject{}))> out;
    out.reserve(size_t(array.size()));
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue element = array.at(i);
        if (!element.isObject())
            throw DecodeError(QStringLiteral("%1[%2]: expected an object").arg(what).arg(i));
        out.push_back(decode(element.toObject()));
    }
    return out;
}

}  // namespace Json
