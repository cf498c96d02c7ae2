#pragma once

#include <QString>

// The host's media clock: seconds on a monotonic clock, as the timing lines print it.
namespace MediaClock {

double seconds();
// The clock in the shortest decimal form that reads back to the same double.
QString secondsText();

}  // namespace MediaClock
