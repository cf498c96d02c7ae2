#pragma once

#include <chrono>
#include <functional>
#include <memory>

// A steady clock that moves only when the test moves it.
class ManualClock {
public:
    ManualClock() : now_(std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now())) {}

    std::function<std::chrono::steady_clock::time_point()> function() const
    {
        return [now = now_] { return *now; };
    }
    void advance(std::chrono::duration<double> span)
    {
        *now_ += std::chrono::duration_cast<std::chrono::steady_clock::duration>(span);
    }

private:
    std::shared_ptr<std::chrono::steady_clock::time_point> now_;
};
