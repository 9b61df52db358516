#pragma once
// A progress bar on stderr, fed by the plug-in's progress calls: drawn only when stderr is a
// terminal and not asked to be quiet, redrawn at most ten times a second.

#include <chrono>
#include <mutex>
#include <string>

namespace quorvane {

class ProgressBar {
public:
    explicit ProgressBar(bool wanted);
    ~ProgressBar();

    bool active() const { return active_; }
    // The label in front of the bar ("quadsoft", "quadsoft frame 3/10").
    void start(const std::string& label);
    void update(long done, long total);
    // Removes the bar from the terminal line.
    void clear();

private:
    void draw(double fraction);

    bool active_;
    std::mutex mutex_;
    std::string label_;
    std::chrono::steady_clock::time_point lastDraw_{};
    bool drawn_ = false;
};

} // namespace quorvane
