#include "platform/media_clock.h"

#include <QLocale>

#include <chrono>

namespace MediaClock {

double seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QString secondsText()
{
    return QString::number(seconds(), 'f', QLocale::FloatingPointShortest);
}

}  // namespace MediaClock
