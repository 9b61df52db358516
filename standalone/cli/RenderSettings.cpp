#include "RenderSettings.h"

#include <cctype>
#include <charconv>
#include <numeric>

#include "CommandErrors.h"

namespace quorvane {

namespace {

constexpr int kMaxDownsample = 64;
constexpr double kMinAspect = 0.01;
constexpr double kMaxAspect = 100.0;

bool readCount(const std::string& text, long long& value)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// A decimal number with at most nine digits after the point, as an exact fraction.
bool readDecimal(const std::string& text, long long& numerator, long long& denominator)
{
    const auto dot = text.find('.');
    if (dot == std::string::npos) {
        denominator = 1;
        return readCount(text, numerator);
    }
    const std::string whole = text.substr(0, dot), fraction = text.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 9 || (whole.empty() && fraction.empty()))
        return false;
    long long w = 0, f = 0;
    if ((!whole.empty() && !readCount(whole, w)) || !readCount(fraction, f))
        return false;
    denominator = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i)
        denominator *= 10;
    if (w > 1'000'000)
        return false;
    numerator = w * denominator + f;
    return true;
}

} // namespace

Downsample parseDownsample(const std::string& text)
{
    const std::string problem = "bad --downsample '" + text + "' (expected N or NX,NY, whole numbers from 1 to " +
                                std::to_string(kMaxDownsample) + ")";
    const auto comma = text.find(',');
    long long x = 0, y = 0;
    if (comma == std::string::npos) {
        if (!readCount(text, x))
            throw UsageError(problem);
        y = x;
    } else if (!readCount(text.substr(0, comma), x) || !readCount(text.substr(comma + 1), y)) {
        throw UsageError(problem);
    }
    if (x < 1 || y < 1 || x > kMaxDownsample || y > kMaxDownsample)
        throw UsageError(problem);
    return {static_cast<int>(x), static_cast<int>(y)};
}

PF_RationalScale parsePixelAspect(const std::string& text)
{
    const std::string problem = "bad --pixel-aspect '" + text +
                                "' (expected a positive decimal such as 0.9091 or a fraction such as 10/11)";
    long long numerator = 0, denominator = 1;
    const auto slash = text.find('/');
    if (slash == std::string::npos) {
        if (!readDecimal(text, numerator, denominator))
            throw UsageError(problem);
    } else if (!readCount(text.substr(0, slash), numerator) || !readCount(text.substr(slash + 1), denominator) ||
               numerator > 1'000'000'000 || denominator > 1'000'000'000) {
        throw UsageError(problem);
    }
    if (numerator <= 0 || denominator <= 0)
        throw UsageError(problem);
    const long long divisor = std::gcd(numerator, denominator);
    numerator /= divisor;
    denominator /= divisor;
    const double ratio = static_cast<double>(numerator) / static_cast<double>(denominator);
    if (ratio < kMinAspect || ratio > kMaxAspect || numerator > 0x7fffffff || denominator > 0xffffffffLL)
        throw UsageError("--pixel-aspect " + text + " is outside 0.01 to 100");
    return {static_cast<A_long>(numerator), static_cast<A_u_long>(denominator)};
}

} // namespace quorvane
