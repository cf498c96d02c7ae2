#pragma once

#include "theme/face_plate_theme.h"

#include <vector>

// The themes beyond the core and country lists, family by family (space,
// fantasy, sci-fi, cities, Canada, ocean, Africa, zodiac, sports, cars, US
// states). Every one takes its ten colours from a primary, a secondary and an
// accent colour. Built once on first use (thread-safe), never changed.
namespace FacePlateThemeCatalog {

const std::vector<FacePlateTheme>& extended();

} // namespace FacePlateThemeCatalog
