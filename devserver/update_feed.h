#pragma once

#include <QByteArray>
#include <QHttpServer>
#include <QJsonObject>

#include <optional>

// The desktop update feed: a manifest and one small image under
// "/api/tovrin-brisel/". A test may replace the manifest by posting a new one
// to the same path, and the image by posting its bytes to the image's path.
class UpdateFeed {
public:
    UpdateFeed();

    void registerRoutes(QHttpServer& http);

private:
    // The manifest as first served: the image offered as build 1, version "1.0".
    QJsonObject defaultManifest(const QHttpServerRequest& request) const;

    QByteArray image_;
    QString imageSha256_;  // hex, hashed whenever the image is set
    std::optional<QJsonObject> manifest_;  // replaced by a test; absent: the default
};
