#include "platform/bundled_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static bool registerAll()
{
    Q_INIT_RESOURCE(symbols);
    Q_INIT_RESOURCE(hero);
    Q_INIT_RESOURCE(legal);
    Q_INIT_RESOURCE(updates);
    Q_INIT_RESOURCE(icons);
    return true;
}

namespace BundledResources {

void ensureLoaded()
{
    static const bool registered = registerAll();
    Q_UNUSED(registered);
}

}  // namespace BundledResources
