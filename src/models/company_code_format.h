#pragma once

#include <QString>

// The one rule for company codes, applied while the user types and before a
// redeem is sent.
namespace CompanyCodeFormat {

// Shortest code worth sending, counted in characters (TextCharacters::count)
// after normalize().
inline constexpr int minimumLength = 4;
inline constexpr int maximumLength = 16;

// Full Unicode upper-casing, then only characters whose first code point is a
// letter or a number, then the first 16 characters (user-perceived ones).
QString normalize(const QString& text);

}  // namespace CompanyCodeFormat
