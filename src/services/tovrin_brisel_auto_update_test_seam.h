#pragma once

// Test-only: lets the updater download over http from a loopback address,
// so tests can serve images from a local server. Included by tests alone;
// the application never calls it and offers no way to reach it.
namespace TovrinBriselAutoUpdateTestSeam {
void allowLoopbackHttp(bool allowed);
}
