#pragma once

#include <QString>
#include <QUrl>
#include <QVariantMap>

// The application's version texts and its packaged legal documents.
// Stateless, never fails; GUI thread.
namespace AppLegal {

// The keys of the application's information, as the build compiles them in.
inline constexpr const char* versionKey = "CFBundleShortVersionString";
inline constexpr const char* buildKey = "CFBundleVersion";

// The compiled-in information: the project version and the build number.
QVariantMap infoDictionary();

// The version text ("1.0" when the key is missing or not a string).
QString appVersion(const QVariantMap& info = infoDictionary());
// The build number ("1" when the key is missing or not a string).
QString buildNumber(const QVariantMap& info = infoDictionary());

// The web page of a document: the server's "privacy" page for a name that
// contains "PRIVACY" (case-sensitive), its "terms" page otherwise.
QUrl documentWebURL(const QString& name);

// The packaged markdown "<name>.md" under `folder` (the application's "legal"
// resources unless a test names another), or a two-line notice that ends in
// the document's web address when it is missing, unreadable or not UTF-8.
QString bundledDocument(const QString& name, const QString& folder = QString());

}  // namespace AppLegal
