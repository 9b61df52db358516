#pragma once
// Ctrl-C: the first SIGINT sets a flag that the host answers the plug-in's next progress call
// with (the render stops cleanly, nothing is written); a second one removes any half-written
// temporary file and ends the process at once, for a plug-in that stopped calling progress.
// SIGTERM (a render farm stopping a job) removes temporary files and ends the process.

#include <atomic>

namespace quorvane {

void installInterruptHandlers();
const std::atomic<bool>& interruptFlag();
bool interrupted();

} // namespace quorvane
