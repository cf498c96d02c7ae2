#pragma once

// The application's packaged files (symbols, pictures, legal documents, the
// updater's script, the application icon) are Qt resources inside a static
// library, which the linker would drop unless something refers to them. Call
// before reading any ":/" path; the first call registers them all, later
// calls do nothing. Thread-safe.
namespace BundledResources {

void ensureLoaded();

}  // namespace BundledResources
