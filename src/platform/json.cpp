#include "platform/json.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace Json {
namespace {

QJsonValue present(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        throw DecodeError(QStringLiteral("%1: missing").arg(key));
    if (value.isNull())
        throw DecodeError(QStringLiteral("%1: null").arg(key));
    return value;
}

[[noreturn]] void wrongType(const QString& key, const char* expected)
{
    throw DecodeError(QStringLiteral("%1: expected %2").arg(key, QLatin1String(expected)));
}

bool absent(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    return value.isUndefined() || value.isNull();
}

}  // namespace

QJsonObject parseObject(const QByteArray& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodeError(QStringLiteral("malformed JSON: %1").arg(error.errorString()));
    if (!document.isObject())
        throw DecodeError(QStringLiteral("expected a JSON object"));
    return document.object();
}

QJsonArray parseArray(const QByteArray& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodeError(QStringLiteral("malformed JSON: %1").arg(error.errorString()));
    if (!document.isArray())
        throw DecodeError(QStringLiteral("expected a JSON array"));
    return document.array();
}

QByteArray serialize(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<qint64> exactInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // Qt keeps integers that fit 64 bits exactly; anything else arrives as a double.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong || variant.typeId() == QMetaType::Int)
        return variant.toLongLong();
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || d < -9.2233720368547758e18 || d >= 9.2233720368547758e18)
        return std::nullopt;
    return qint64(d);
}

QString requireString(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = present(object, key);
    if (!value.isString())
        wrongType(key, "a string");
    return value.toString();
}

qint64 requireInt(const QJsonObject& object, const QString& key)
{
    const auto integer = exactInteger(present(object, key));
    if (!integer)
        wrongType(key, "an integer");
    return *integer;
}

bool requireBool(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = present(object, key);
    if (!value.isBool())
        wrongType(key, "a boolean");
    return value.toBool();
}

double requireDouble(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = present(object, key);
    if (!value.isDouble())
        wrongType(key, "a number");
    return value.toDouble();
}

QJsonObject requireObject(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = present(object, key);
    if (!value.isObject())
        wrongType(key, "an object");
    return value.toObject();
}

QJsonArray requireArray(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = present(object, key);
    if (!value.isArray())
        wrongType(key, "an array");
    return value.toArray();
}

QStringList requireStringArray(const QJsonObject& object, const QString& key)
{
    const QJsonArray array = requireArray(object, key);
    QStringList out;
    out.reserve(array.size());
    for (const QJsonValue& element : array) {
        if (!element.isString())
            wrongType(key, "an array of strings");
        out.append(element.toString());
    }
    return out;
}

std::optional<QString> optionalString(const QJsonObject& object, const QString& key)
{
    if (absent(object, key))
        return std::nullopt;
    return requireString(object, key);
}

std::optional<qint64> optionalInt(const QJsonObject& object, const QString& key)
{
    if (absent(object, key))
        return std::nullopt;
    return requireInt(object, key);
}

std::optional<bool> optionalBool(const QJsonObject& object, const QString& key)
{
    if (absent(object, key))
        return std::nullopt;
    return requireBool(object, key);
}

std::optional<QJsonObject> optionalObject(const QJsonObject& object, const QString& key)
{
    if (absent(object, key))
        return std::nullopt;
    return requireObject(object, key);
}

}  // namespace Json
