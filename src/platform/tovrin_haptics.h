#pragma once

#include <QString>

#include <mutex>
#include <vector>

// Impact feedback. Linux desktops have no haptic engine, so the generators are
// no-op backends that record every call; tests read the record through
// HapticLog. GUI thread for callers; the record itself is thread-safe.

enum class ImpactStyle { Light, Medium, Rigid, Soft };

struct HapticEvent {
    enum class Kind { Created, Prepared, Impact };
    ImpactStyle style;
    Kind kind;
    double intensity = 0.0;  // only for Impact

    bool operator==(const HapticEvent&) const = default;
};

class HapticLog {
public:
    static std::vector<HapticEvent> events();
    static void clear();
    static void record(const HapticEvent& event);

private:
    static std::mutex& mutex();
    static std::vector<HapticEvent>& storage();
};

class ImpactFeedbackGenerator {
public:
    explicit ImpactFeedbackGenerator(ImpactStyle style);
    ImpactFeedbackGenerator(const ImpactFeedbackGenerator&) = delete;
    ImpactFeedbackGenerator& operator=(const ImpactFeedbackGenerator&) = delete;

    ImpactStyle style() const { return style_; }
    void prepare();
    void impactOccurred(double intensity = 1.0);

private:
    ImpactStyle style_;
};

// The four shared generators, each created on first use (thread-safe) and kept
// for the life of the process. One cue is prepare() followed at once by
// impactOccurred() on the same generator: light(), medium(), rigid(), soft().
namespace TovrinHaptics {

ImpactFeedbackGenerator& lightGen();
ImpactFeedbackGenerator& mediumGen();
ImpactFeedbackGenerator& rigidGen();
ImpactFeedbackGenerator& softGen();

void light();
void medium();
void rigid();
void soft();

}  // namespace TovrinHaptics
