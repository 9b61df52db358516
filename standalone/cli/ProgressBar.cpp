#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace quorvane {

namespace {
constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
}

ProgressBar::ProgressBar(bool wanted) : active_(wanted && ::isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar()
{
    clear();
}

void ProgressBar::start(const std::string& label)
{
    std::lock_guard<std::mutex> lock(mutex_);
    label_ = label;
    lastDraw_ = {};
}

void ProgressBar::update(long done, long total)
{
    if (!active_ || total <= 0)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < kRedrawInterval && done < total)
        return;
    lastDraw_ = now;
    draw(std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0));
}

void ProgressBar::draw(double fraction)
{
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(stderr, "\r\033[K%s [%s] %3d%%", label_.c_str(), bar.c_str(), static_cast<int>(fraction * 100));
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::clear()
{
    if (!active_)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
}

} // namespace quorvane
