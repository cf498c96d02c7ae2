#pragma once

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonObject>
#include <QString>

#include <optional>

// Reading requests and writing answers for the REST endpoints. Input is
// checked strictly (the client sends exact JSON types); anything malformed is
// thrown as BadRequest and answered 400 {"ok": false, "error": "bad_request"}.
namespace RestRequest {

struct BadRequest {};

// A POST body: one JSON object.
class Body {
public:
    explicit Body(const QHttpServerRequest& request);

    QString string(const char* key) const;       // required, non-empty
    QString stringOrEmpty(const char* key) const;
    std::optional<QString> optionalString(const char* key) const;
    qint64 integer(const char* key) const;
    std::optional<qint64> optionalInteger(const char* key) const;
    std::optional<bool> optionalBool(const char* key) const;
    std::optional<QStringList> optionalStrings(const char* key) const;

private:
    QJsonObject object_;
};

// Query items, decoded.
std::optional<QString> optionalQuery(const QHttpServerRequest& request, const char* key);
QString query(const QHttpServerRequest& request, const char* key);  // required, may be empty
QString queryUid(const QHttpServerRequest& request);                // "uid", required, non-empty
qint64 queryInteger(const QHttpServerRequest& request, const char* key, std::optional<qint64> fallback = {});

QHttpServerResponse json(const QJsonObject& object,
                         QHttpServerResponder::StatusCode status = QHttpServerResponder::StatusCode::Ok);
QHttpServerResponse ok();
QHttpServerResponse refused(const QString& error);  // 200 {"ok": false, "error": error}
QHttpServerResponse badRequest();

}  // namespace RestRequest
