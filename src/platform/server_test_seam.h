#pragma once

#include <QUrl>

// Test-only: points the client at a local server. Included by tests alone;
// the application never calls it and offers no way to reach it.
namespace Server {
void setBaseURLForTesting(const QUrl& url);
}
