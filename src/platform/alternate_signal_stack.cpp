#include "platform/alternate_signal_stack.h"

#include <csignal>
#include <cstddef>
#include <memory>

namespace AlternateSignalStack {
namespace {

// Room for the fault handler: a backtrace and a few buffered writes.
constexpr size_t kSize = 64 * 1024;

bool hasStack()
{
    stack_t current = {};
    return ::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE);
}

// One thread's stack, from installation until the thread ends.
class ThreadStack {
public:
    ThreadStack()
    {
        if (hasStack())
            return;
        memory_ = std::make_unique<char[]>(kSize);
        stack_t stack = {};
        stack.ss_sp = memory_.get();
        stack.ss_size = kSize;
        if (::sigaltstack(&stack, nullptr) != 0)
            memory_.reset();
    }

    ~ThreadStack()
    {
        if (!memory_)
            return;
        // Switched off before the memory goes, unless someone replaced it since.
        stack_t current = {};
        if (::sigaltstack(nullptr, &current) == 0 && current.ss_sp == memory_.get()) {
            stack_t off = {};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
        }
    }

    ThreadStack(const ThreadStack&) = delete;
    ThreadStack& operator=(const ThreadStack&) = delete;

private:
    std::unique_ptr<char[]> memory_;
};

}  // namespace

void installForThisThread()
{
    thread_local ThreadStack stack;
}

}  // namespace AlternateSignalStack
