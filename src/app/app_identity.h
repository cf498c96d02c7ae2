#pragma once

// What the desktop, the sound server and the settings know the application
// by. One name, "tovrin-brisel", is the application name (the sound server's
// application id and icon name), the desktop entry's file name and the name of
// the icon installed into the hicolor theme.
namespace AppIdentity {

// Sets the organisation, application and display names, the version and the
// desktop entry's name, and gives every window the radio icon. main() calls
// it right after making the application object, before anything reads them.
void apply();

} // namespace AppIdentity
