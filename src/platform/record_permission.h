#pragma once

#include <functional>
#include <optional>

// Whether the application may record. Linux asks no one: recording is
// granted when an input can be opened and denied when none can. Tests set
// the state and the answer a request gives.
// Thread contract: GUI thread.
namespace RecordPermission {

enum class State { undetermined, granted, denied };

// Opens and closes an input on every call (an override answers instead).
State current();
// Asks for permission by opening and closing an input once. Nothing is
// remembered: the next current() opens an input again.
bool request();

// Test seam: while one lives, current() starts at state and request()
// answers answer (and moves the state to it), counting the requests.
class Override {
public:
    Override(State state, bool answer);
    ~Override();
    Override(const Override&) = delete;
    Override& operator=(const Override&) = delete;
    int requests() const { return requests_; }

private:
    friend State current();
    friend bool request();
    State state_;
    bool answer_;
    int requests_ = 0;
    Override* previous_;
};

}  // namespace RecordPermission
