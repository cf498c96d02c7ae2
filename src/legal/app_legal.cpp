#include "legal/app_legal.h"

#include "platform/bundled_resources.h"
#include "platform/server.h"

#include <QFile>
#include <QStringDecoder>

namespace AppLegal {
namespace {

QString stringValue(const QVariantMap& info, const char* key, const QString& fallback)
{
    const QVariant value = info.value(QLatin1String(key));
    return value.typeId() == QMetaType::QString ? value.toString() : fallback;
}

}  // namespace

QVariantMap infoDictionary()
{
    QVariantMap info;
    info.insert(QLatin1String(versionKey), QStringLiteral(TOVRIN_APP_VERSION));
    const QString build = QStringLiteral(TOVRIN_BUILD_NUMBER);
    if (!build.isEmpty())
        info.insert(QLatin1String(buildKey), build);
    return info;
}

QString appVersion(const QVariantMap& info)
{
    return stringValue(info, versionKey, QStringLiteral("1.0"));
}

QString buildNumber(const QVariantMap& info)
{
    return stringValue(info, buildKey, QStringLiteral("1"));
}

QUrl documentWebURL(const QString& name)
{
    QUrl url = Server::baseURL();
    url.setPath(name.contains(QLatin1String("PRIVACY")) ? QStringLiteral("/privacy") : QStringLiteral("/terms"));
    return url;
}

QString bundledDocument(const QString& name, const QString& folder)
{
    BundledResources::ensureLoaded();
    const QString dir = folder.isEmpty() ? QStringLiteral(":/legal") : folder;
    QFile file(dir + QLatin1Char('/') + name + QStringLiteral(".md"));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        // Text that is not valid UTF-8 is unreadable, not shown with
        // replacement characters.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(bytes);
        if (file.error() == QFileDevice::NoError && !utf8.hasError())
            return text;
    }
    return QStringLiteral("Document unavailable. Open the web version:\n")
           + documentWebURL(name).toString(QUrl::FullyEncoded);
}

}  // namespace AppLegal
