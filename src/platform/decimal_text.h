#pragma once

#include <QString>

// A number as the diagnostic lines write it: the shortest exact decimal,
// always with a fraction ("48000.0", "0.01", "2.5").
QString decimalText(double value);
