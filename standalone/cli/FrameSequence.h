#pragma once
// Image sequences: a file name with a frame number pattern (#### for four digits, or printf
// style %04d / %d), a frame list (--frames 1-100, or 1-10,20,30-40), and the share of it one
// process renders when a range is split across machines (--shard K/N: the K-th of N
// contiguous parts, as even as possible).

#include <string>
#include <vector>

namespace quorvane {

class FramePattern {
public:
    // A name without a pattern stays as it is for every frame.
    explicit FramePattern(std::string name);
    bool hasPattern() const { return hasPattern_; }
    const std::string& name() const { return name_; }
    std::string forFrame(long frame) const;

private:
    std::string name_;
    bool hasPattern_ = false;
    std::string before_, after_;
    int width_ = 0;
};

// Throws UsageError for anything but comma-separated frames and ranges A-B (A <= B, both >= 0).
std::vector<long> parseFrameList(const std::string& text);

// The K-th (1-based) of N contiguous parts of `frames`; parts differ by at most one frame.
// Throws UsageError unless the text is K/N with 1 <= K <= N.
std::vector<long> shardOf(const std::vector<long>& frames, const std::string& shard);

} // namespace quorvane
