#include "Interrupt.h"

#include <csignal>
#include <unistd.h>

#include "CommandErrors.h"
#include "PendingOutput.h"

namespace quorvane {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

void onInterrupt(int)
{
    if (g_interrupted.exchange(true)) {
        removePendingOutputsNow();
        ::_exit(kExitInterrupted);
    }
}

void onTerminate(int signal)
{
    removePendingOutputsNow();
    ::_exit(128 + signal);
}

} // namespace

void installInterruptHandlers()
{
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    action.sa_handler = onTerminate;
    ::sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>& interruptFlag()
{
    return g_interrupted;
}

bool interrupted()
{
    return g_interrupted.load();
}

} // namespace quorvane
