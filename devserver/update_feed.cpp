#include "update_feed.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QUrl>

namespace {

const QString kManifestPath = QStringLiteral("/api/tovrin-brisel/updates.json");
const QString kImagePath = QStringLiteral("/api/tovrin-brisel/Tovrin-Brisel.dmg");

QHttpServerResponse jsonReply(const QJsonObject& object)
{
    return QHttpServerResponse(QByteArrayLiteral("application/json"), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

}  // namespace

UpdateFeed::UpdateFeed()
{
    // A little over two hashing chunks of a fixed pattern, so a reader sees several chunks.
    image_.reserve(2 * 1024 * 1024 + 4096);
    for (int i = 0; i < 2 * 1024 * 1024 + 4096; ++i)
        image_.append(char((i * 31 + 7) & 0xFF));
    imageSha256_ = QString::fromLatin1(QCryptographicHash::hash(image_, QCryptographicHash::Sha256).toHex());
}

QJsonObject UpdateFeed::defaultManifest(const QHttpServerRequest& request) const
{
    QUrl image = request.url();
    image.setPath(kImagePath);
    image.setQuery(QString());
    const QJsonObject mac{
        {"version", "1.0"},
        {"build_number", 1},
        {"download_url", image.toString()},
        {"checksum_sha256", imageSha256_},
        {"force_update", false},
        {"release_notes", "Local build"},
    };
    return {{"mac", mac}};
}

void UpdateFeed::registerRoutes(QHttpServer& http)
{
    using Method = QHttpServerRequest::Method;
    http.route(kManifestPath, Method::Get, [this](const QHttpServerRequest& request) {
        return jsonReply(manifest_ ? *manifest_ : defaultManifest(request));
    });
    http.route(kManifestPath, Method::Post, [this](const QHttpServerRequest& request) {
        const QJsonDocument body = QJsonDocument::fromJson(request.body());
        if (!body.isObject())
            return QHttpServerResponse(QHttpServerResponder::StatusCode::BadRequest);
        manifest_ = body.object();
        return jsonReply({{"ok", true}});
    });
    http.route(kImagePath, Method::Get, [this] {
        return QHttpServerResponse(QByteArrayLiteral("application/octet-stream"), image_);
    });
    http.route(kImagePath, Method::Post, [this](const QHttpServerRequest& request) {
        image_ = request.body();
        imageSha256_ = QString::fromLatin1(QCryptographicHash::hash(image_, QCryptographicHash::Sha256).toHex());
        return jsonReply({{"ok", true}, {"checksum_sha256", imageSha256_}});
    });
}
