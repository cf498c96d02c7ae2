#include "models/update_manifest.h"

#include "platform/json.h"

UpdatePlatformEntry UpdatePlatformEntry::fromJson(const QJsonObject& o)
{
    return UpdatePlatformEntry{
        .version = Json::requireString(o, QStringLiteral("version")),
        .buildNumber = Json::requireInt(o, QStringLiteral("build_number")),
        .downloadURL = Json::requireString(o, QStringLiteral("download_url")),
        .checksumSHA256 = Json::optionalString(o, QStringLiteral("checksum_sha256")),
        .forceUpdate = Json::optionalBool(o, QStringLiteral("force_update")),
        .releaseNotes = Json::optionalString(o, QStringLiteral("release_notes")),
    };
}

UpdateManifest UpdateManifest::fromJson(const QByteArray& text)
{
    const QJsonObject o = Json::parseObject(text);
    UpdateManifest manifest;
    if (const auto mac = Json::optionalObject(o, QStringLiteral("mac")))
        manifest.mac = UpdatePlatformEntry::fromJson(*mac);
    if (const auto ios = Json::optionalObject(o, QStringLiteral("ios")))
        manifest.ios = UpdatePlatformEntry::fromJson(*ios);
    return manifest;
}
