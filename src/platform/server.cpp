#include "platform/server.h"

#include "platform/server_test_seam.h"

namespace Server {
namespace {

QUrl& overrideURL()
{
    static QUrl url;
    return url;
}

}  // namespace

QUrl baseURL()
{
    if (!overrideURL().isEmpty())
        return overrideURL();
    static const QUrl builtIn(QStringLiteral(TOVRIN_SERVER_BASE_URL));
    return builtIn;
}

QUrl liveURL(int channelNumber, const QString& uid)
{
    QUrl url = baseURL();
    url.setScheme(url.scheme() == QLatin1String("https") ? QStringLiteral("wss") : QStringLiteral("ws"));
    url.setPath(QStringLiteral("/v1/live/%1").arg(channelNumber));
    url.setQuery(QStringLiteral("uid=") + QString::fromLatin1(QUrl::toPercentEncoding(uid)));
    return url;
}

void setBaseURLForTesting(const QUrl& url)
{
    overrideURL() = url;
}

}  // namespace Server
