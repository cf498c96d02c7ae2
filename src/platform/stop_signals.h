#pragma once

// Turns SIGTERM, SIGHUP and SIGINT (a logout, a `kill`, Ctrl-C) into the
// application's normal quit, so that such a stop ends like any other quit.
// The handler only writes one byte to a socket pair; the GUI thread reads it
// and calls QCoreApplication::quit().
namespace StopSignals {

// Idempotent; needs the application object. GUI thread.
void install();

}  // namespace StopSignals
