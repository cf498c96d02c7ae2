#pragma once

#include <chrono>
#include <functional>

// The waits between attempts to reopen a live link: the first wait, then
// twice the one before, never above the cap; each wait is lengthened by up to
// a quarter at random (still within the cap) so clients that lost one server
// together do not come back in step. reset() starts over from the first wait.
class ReconnectBackoff {
public:
    // A number in [0, 1): how much of the quarter to add.
    using Jitter = std::function<double()>;

    ReconnectBackoff(std::chrono::milliseconds first, std::chrono::milliseconds cap, Jitter jitter = {});

    std::chrono::milliseconds next();
    void reset() { attempts_ = 0; }
    void setLimits(std::chrono::milliseconds first, std::chrono::milliseconds cap);

private:
    std::chrono::milliseconds first_;
    std::chrono::milliseconds cap_;
    Jitter jitter_;
    int attempts_ = 0;
};
