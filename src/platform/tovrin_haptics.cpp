#include "platform/tovrin_haptics.h"

std::mutex& HapticLog::mutex()
{
    static std::mutex m;
    return m;
}

std::vector<HapticEvent>& HapticLog::storage()
{
    static std::vector<HapticEvent> events;
    return events;
}

std::vector<HapticEvent> HapticLog::events()
{
    std::lock_guard lock(mutex());
    return storage();
}

void HapticLog::clear()
{
    std::lock_guard lock(mutex());
    storage().clear();
}

void HapticLog::record(const HapticEvent& event)
{
    std::lock_guard lock(mutex());
    // A long session cues thousands of taps; nobody reads that far back.
    constexpr std::size_t kKeep = 1024;
    if (storage().size() >= kKeep)
        storage().erase(storage().begin(), storage().begin() + kKeep / 2);
    storage().push_back(event);
}

ImpactFeedbackGenerator::ImpactFeedbackGenerator(ImpactStyle style)
    : style_(style)
{
    HapticLog::record({style_, HapticEvent::Kind::Created});
}

void ImpactFeedbackGenerator::prepare()
{
    HapticLog::record({style_, HapticEvent::Kind::Prepared});
}

void ImpactFeedbackGenerator::impactOccurred(double intensity)
{
    HapticLog::record({style_, HapticEvent::Kind::Impact, intensity});
}

namespace TovrinHaptics {

// Function-local statics: created once, on first touch, safely across threads.
ImpactFeedbackGenerator& lightGen()
{
    static ImpactFeedbackGenerator gen(ImpactStyle::Light);
    return gen;
}

ImpactFeedbackGenerator& mediumGen()
{
    static ImpactFeedbackGenerator gen(ImpactStyle::Medium);
    return gen;
}

ImpactFeedbackGenerator& rigidGen()
{
    static ImpactFeedbackGenerator gen(ImpactStyle::Rigid);
    return gen;
}

ImpactFeedbackGenerator& softGen()
{
    static ImpactFeedbackGenerator gen(ImpactStyle::Soft);
    return gen;
}

namespace {
void cue(ImpactFeedbackGenerator& gen)
{
    gen.prepare();
    gen.impactOccurred();
}
}  // namespace

void light() { cue(lightGen()); }
void medium() { cue(mediumGen()); }
void rigid() { cue(rigidGen()); }
void soft() { cue(softGen()); }

}  // namespace TovrinHaptics
