#include "rest_request.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace RestRequest {
namespace {

std::optional<qint64> exactInteger(const QJsonValue& value)
{
    if (!value.isDouble() || value.toDouble() != std::trunc(value.toDouble()))
        return std::nullopt;
    return value.toInteger();
}

bool absent(const QJsonValue& value)
{
    return value.isUndefined() || value.isNull();
}

}  // namespace

Body::Body(const QHttpServerRequest& request)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw BadRequest{};
    object_ = document.object();
}

QString Body::string(const char* key) const
{
    const QString value = stringOrEmpty(key);
    if (value.isEmpty())
        throw BadRequest{};
    return value;
}

QString Body::stringOrEmpty(const char* key) const
{
    const QJsonValue value = object_.value(QLatin1String(key));
    if (!value.isString())
        throw BadRequest{};
    return value.toString();
}

std::optional<QString> Body::optionalString(const char* key) const
{
    if (absent(object_.value(QLatin1String(key))))
        return std::nullopt;
    return stringOrEmpty(key);
}

qint64 Body::integer(const char* key) const
{
    const auto value = exactInteger(object_.value(QLatin1String(key)));
    if (!value)
        throw BadRequest{};
    return *value;
}

std::optional<qint64> Body::optionalInteger(const char* key) const
{
    if (absent(object_.value(QLatin1String(key))))
        return std::nullopt;
    return integer(key);
}

std::optional<bool> Body::optionalBool(const char* key) const
{
    const QJsonValue value = object_.value(QLatin1String(key));
    if (absent(value))
        return std::nullopt;
    if (!value.isBool())
        throw BadRequest{};
    return value.toBool();
}

std::optional<QStringList> Body::optionalStrings(const char* key) const
{
    const QJsonValue value = object_.value(QLatin1String(key));
    if (absent(value))
        return std::nullopt;
    if (!value.isArray())
        throw BadRequest{};
    QStringList out;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString())
            throw BadRequest{};
        out.append(element.toString());
    }
    return out;
}

std::optional<QString> optionalQuery(const QHttpServerRequest& request, const char* key)
{
    // Decoded as web servers decode forms: "+" is a blank, "%2B" a plus sign.
    const auto formDecode = [](QByteArray text) {
        text.replace('+', ' ');
        return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
    };
    const QByteArray raw = request.url().query(QUrl::FullyEncoded).toUtf8();
    for (const QByteArray& item : raw.split('&')) {
        const qsizetype equals = item.indexOf('=');
        const QByteArray name = equals < 0 ? item : item.left(equals);
        if (formDecode(name) == QLatin1String(key))
            return equals < 0 ? QString() : formDecode(item.mid(equals + 1));
    }
    return std::nullopt;
}

QString query(const QHttpServerRequest& request, const char* key)
{
    const auto value = optionalQuery(request, key);
    if (!value)
        throw BadRequest{};
    return *value;
}

QString queryUid(const QHttpServerRequest& request)
{
    const QString uid = query(request, "uid");
    if (uid.isEmpty())
        throw BadRequest{};
    return uid;
}

qint64 queryInteger(const QHttpServerRequest& request, const char* key, std::optional<qint64> fallback)
{
    const auto text = optionalQuery(request, key);
    if (!text && fallback)
        return *fallback;
    if (!text)
        throw BadRequest{};
    bool ok = false;
    const qint64 value = text->toLongLong(&ok);
    if (!ok)
        throw BadRequest{};
    return value;
}

QHttpServerResponse json(const QJsonObject& object, QHttpServerResponder::StatusCode status)
{
    return QHttpServerResponse(object, status);
}

QHttpServerResponse ok()
{
    return json({{"ok", true}});
}

QHttpServerResponse refused(const QString& error)
{
    return json({{"ok", false}, {"error", error}});
}

QHttpServerResponse badRequest()
{
    return json({{"ok", false}, {"error", "bad_request"}}, QHttpServerResponder::StatusCode::BadRequest);
}

}  // namespace RestRequest
