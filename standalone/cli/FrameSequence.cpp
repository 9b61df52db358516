#include "FrameSequence.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "CommandErrors.h"

namespace quorvane {

namespace {

constexpr long kMaxFrames = 10'000'000;

bool readLong(const std::string& text, long& value)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

FramePattern::FramePattern(std::string name) : name_(std::move(name))
{
    // The last run of '#' in the file name part, else the last %d / %0Nd.
    const auto slash = name_.find_last_of('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    const auto lastHash = name_.find_last_of('#');
    if (lastHash != std::string::npos && lastHash >= base) {
        std::size_t first = lastHash;
        while (first > base && name_[first - 1] == '#')
            --first;
        before_ = name_.substr(0, first);
        after_ = name_.substr(lastHash + 1);
        width_ = static_cast<int>(lastHash - first + 1);
        hasPattern_ = true;
        return;
    }
    for (std::size_t at = name_.rfind('%'); at != std::string::npos && at >= base;
         at = at == 0 ? std::string::npos : name_.rfind('%', at - 1)) {
        std::size_t end = at + 1;
        int width = 0;
        if (end < name_.size() && name_[end] == '0') {
            ++end;
            while (end < name_.size() && std::isdigit(static_cast<unsigned char>(name_[end])))
                width = width * 10 + (name_[end++] - '0');
            if (width == 0 || width > 18)
                continue;
        }
        if (end < name_.size() && name_[end] == 'd') {
            before_ = name_.substr(0, at);
            after_ = name_.substr(end + 1);
            width_ = width;
            hasPattern_ = true;
            return;
        }
    }
}

std::string FramePattern::forFrame(long frame) const
{
    if (!hasPattern_)
        return name_;
    std::string digits = std::to_string(frame);
    if (static_cast<int>(digits.size()) < width_)
        digits.insert(0, static_cast<std::size_t>(width_) - digits.size(), '0');
    return before_ + digits + after_;
}

std::vector<long> parseFrameList(const std::string& text)
{
    const std::string problem = "bad frame list '" + text + "' (expected frames and ranges such as 1-100 or 1-10,20)";
    std::vector<long> frames;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        const auto dash = item.find('-');
        long first = 0, last = 0;
        if (dash == std::string::npos) {
            if (!readLong(item, first))
                throw UsageError(problem);
            last = first;
        } else if (!readLong(item.substr(0, dash), first) || !readLong(item.substr(dash + 1), last) || last < first) {
            throw UsageError(problem);
        }
        if (last - first >= kMaxFrames || static_cast<long>(frames.size()) + (last - first) >= kMaxFrames)
            throw UsageError("frame list '" + text + "' is too long");
        for (long f = first; f <= last; ++f)
            frames.push_back(f);
        if (comma == std::string::npos)
            return frames;
        start = comma + 1;
    }
}

std::vector<long> shardOf(const std::vector<long>& frames, const std::string& shard)
{
    const auto slash = shard.find('/');
    long k = 0, n = 0;
    if (slash == std::string::npos || !readLong(shard.substr(0, slash), k) || !readLong(shard.substr(slash + 1), n) ||
        k < 1 || n < 1 || k > n)
        throw UsageError("bad shard '" + shard + "' (expected K/N with 1 <= K <= N, such as 2/8)");
    const auto count = static_cast<long long>(frames.size());
    const auto begin = static_cast<std::size_t>(count * (k - 1) / n);
    const auto end = static_cast<std::size_t>(count * k / n);
    return std::vector<long>(frames.begin() + static_cast<std::ptrdiff_t>(begin),
                             frames.begin() + static_cast<std::ptrdiff_t>(end));
}

} // namespace quorvane
