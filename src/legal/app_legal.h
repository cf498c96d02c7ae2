#pragma once

#include <QString>

namespace AppLegal {

// The application's build number, compiled in by CMake ("1" by default).
QString buildNumber();

}  // namespace AppLegal
