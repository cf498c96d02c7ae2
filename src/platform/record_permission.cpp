#include "platform/record_permission.h"

#include "platform/audio_devices.h"

namespace RecordPermission {
namespace {

Override*& active()
{
    static Override* current = nullptr;
    return current;
}

std::optional<State>& known()
{
    static std::optional<State> state;
    return state;
}

// No prompt exists here: recording is allowed when the system has an input.
// Nothing is opened, so a device that is busy right now is not refused.
State probe()
{
    return AudioDevices::hasInput() ? State::granted : State::denied;
}

}  // namespace

State current()
{
    if (Override* o = active())
        return o->state_;
    if (!known())
        known() = probe();
    return *known();
}

State refresh()
{
    if (Override* o = active())
        return o->state_;
    known() = probe();
    return *known();
}

bool request()
{
    if (Override* o = active()) {
        ++o->requests_;
        o->state_ = o->answer_ ? State::granted : State::denied;
        return o->answer_;
    }
    return refresh() == State::granted;
}

Override::Override(State state, bool answer) : state_(state), answer_(answer), previous_(active())
{
    active() = this;
}

Override::~Override() { active() = previous_; }

}  // namespace RecordPermission
