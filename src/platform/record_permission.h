#pragma once

#include <functional>
#include <optional>

// Whether the application may record. Linux asks no one: recording is
// granted when the sound server lists an input and denied only when a
// server that answers lists none. While there is no server the question
// stays open (undetermined): an absent server refuses nothing. An answer is
// kept until the server comes, goes or changes its default devices, or
// refresh() (an explicit settings refresh, or after a real failure to open
// the input) probes again. No device is opened for it, and nothing waits for
// the server. Tests set the state and the answer a request gives.
// Thread contract: GUI thread.
namespace RecordPermission {

enum class State { undetermined, granted, denied };

// The kept answer; the first call probes (an override answers instead).
State current();
// Probes again and keeps the new answer.
State refresh();
// Asks for permission: probes again; true when granted.
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
    friend State refresh();
    friend bool request();
    State state_;
    bool answer_;
    int requests_ = 0;
    Override* previous_;
};

}  // namespace RecordPermission
