#pragma once

#include <QString>

// Texts that the company screens share.
namespace CompanyCodeTexts {

// The rule for company codes, as the user reads it.
QString rule();
// "Examples: " and three sample codes that follow the rule.
QString examples();
// One sample code for a placeholder.
QString sample();

}  // namespace CompanyCodeTexts
