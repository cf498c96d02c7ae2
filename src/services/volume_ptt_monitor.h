#pragma once

#include <functional>

// Two push-to-talk callbacks for hardware volume keys; nothing creates one.
struct VolumePTTMonitor {
    std::function<void()> onDown;
    std::function<void()> onUp;
};
