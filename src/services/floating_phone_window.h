#pragma once

class QWidget;

// The one window looks like a hand-held radio on a phone: exactly 402 × 902,
// not resizable, titled "My Tovrin-Brisel", with a transparent background so
// the painted frame's rounded corners show the desktop.
namespace FloatingPhoneWindowConfigurator {

inline constexpr int kWidth = 402;
inline constexpr int kHeight = 902;

// Idempotent: every call leaves the same size limits, title and transparency.
void apply(QWidget* window);

}  // namespace FloatingPhoneWindowConfigurator
