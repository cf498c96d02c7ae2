#pragma once

// SIGTERM and SIGINT end the event loop as closing the window does, so the
// teardown runs: the voice pipe's and the app's removal of voice files
// included. GUI thread, after the application object exists.
namespace QuitOnSignal {

void install();

}  // namespace QuitOnSignal
