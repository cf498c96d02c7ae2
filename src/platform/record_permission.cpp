#include "platform/record_permission.h"

#include "platform/audio_devices.h"
#include "platform/pulse_connection.h"

namespace RecordPermission {
namespace {

Override*& active()
{
    static Override* current = nullptr;
    return current;
}

// The kept answer, and the server's count of changes when it was taken.
struct Known {
    State state = State::undetermined;
    quint64 changes = 0;
};

std::optional<Known>& known()
{
    static std::optional<Known> answer;
    return answer;
}

// No prompt exists here: recording is allowed when the server has an input.
// Nothing is opened, so a device that is busy right now is not refused.
State probe()
{
    if (AudioDevices::hasInput())
        return State::granted;
    return AudioDevices::serverAvailable() ? State::denied : State::undetermined;
}

State probeAndKeep()
{
    // Read before probing: a change during the probe makes the answer stale.
    const quint64 changes = PulseConnection::instance().changes();
    const State state = probe();
    known() = Known{state, changes};
    return state;
}

}  // namespace

State current()
{
    if (Override* o = active())
        return o->state_;
    if (!known() || known()->state == State::undetermined || known()->changes != PulseConnection::instance().changes())
        return probeAndKeep();
    return known()->state;
}

State refresh()
{
    if (Override* o = active())
        return o->state_;
    return probeAndKeep();
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
