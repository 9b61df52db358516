#pragma once
// An output file is written under a temporary name in the target's directory and renamed
// into place only once complete, so a failed or interrupted write never leaves anything under
// the target name (and never damages a file already there).

#include <string>

namespace quorvane {

class PendingOutput {
public:
    // Creates an empty temporary file beside `target`; throws ImageError when the directory
    // cannot take it.
    explicit PendingOutput(std::string target);
    ~PendingOutput();                 // removes the temporary file unless committed
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return temporary_; }

    void commit();                    // renames into place; throws ImageError on failure
    void discard();

private:
    std::string target_;
    std::string temporary_;
    int slot_ = -1;
    bool done_ = false;
};

// Removes every temporary file still pending. Safe to call from a signal handler (it only
// calls unlink); used when the user insists on stopping while a file is being written.
void removePendingOutputsNow();

} // namespace quorvane
