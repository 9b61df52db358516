#include "ControlValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "CommandErrors.h"

namespace quorvane {

namespace {

// The largest magnitude a 16.16 fixed-point value holds.
constexpr double kFixedLimit = 32767.0;

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string formatNumber(double v)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

[[noreturn]] void badValue(const ControlInfo& control, const std::string& text, const std::string& expected)
{
    throw UsageError("bad value '" + text + "' for " + displayName(control) + " (" + kindName(control.kind) +
                     "): expected " + expected);
}

// Clamps into [low, high] and says so when it had to.
double clamped(const ControlInfo& control, const std::string& what, double v, double low, double high,
               std::vector<std::string>& warnings)
{
    if (v >= low && v <= high)
        return v;
    const double result = std::clamp(v, low, high);
    warnings.push_back(displayName(control) + what + ": " + formatNumber(v) + " is outside the valid range " +
                       formatNumber(low) + " to " + formatNumber(high) + ", using " + formatNumber(result));
    return result;
}

std::vector<std::string> splitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

std::vector<double> numbers(const ControlInfo& control, const std::string& text, std::size_t count,
                            const std::string& expected)
{
    const std::vector<std::string> parts = splitCommas(text);
    if (parts.size() != count)
        badValue(control, text, expected);
    std::vector<double> values(count);
    for (std::size_t i = 0; i < count; ++i)
        if (!parseNumber(parts[i], values[i]))
            badValue(control, text, expected);
    return values;
}

bool parseCheckbox(const std::string& text, long& value)
{
    static const char* const on[] = {"1", "on", "true", "yes"};
    static const char* const off[] = {"0", "off", "false", "no"};
    for (const char* word : on)
        if (text == word)
            return value = 1, true;
    for (const char* word : off)
        if (text == word)
            return value = 0, true;
    return false;
}

} // namespace

bool parseNumber(const std::string& text, double& value)
{
    std::string t = trimmed(text);
    if (!t.empty() && t.front() == '+')
        t.erase(0, 1);
    if (t.empty())
        return false;
    const auto result = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
    return result.ec == std::errc() && result.ptr == t.data() + t.size() && std::isfinite(value);
}

bool parseInteger(const std::string& text, long& value)
{
    std::string t = trimmed(text);
    if (!t.empty() && t.front() == '+')
        t.erase(0, 1);
    const auto result = std::from_chars(t.data(), t.data() + t.size(), value);
    return !t.empty() && result.ec == std::errc() && result.ptr == t.data() + t.size();
}

ParsedValue parseControlValue(const ControlInfo& control, const std::string& text, int layerWidth,
                              int layerHeight, std::vector<std::string>& warnings)
{
    ParsedValue value;
    value.kind = control.kind;
    const PF_ParamDef& def = control.registered;
    switch (control.kind) {
    case ControlKind::Float:
        if (!parseNumber(text, value.number))
            badValue(control, text, "a number");
        value.number = clamped(control, "", value.number, def.u.fs_d.valid_min, def.u.fs_d.valid_max, warnings);
        break;
    case ControlKind::IntSlider: {
        double number = 0;
        if (!parseNumber(text, number) || number != std::floor(number))
            badValue(control, text, "a whole number");
        value.integer = static_cast<long>(
            clamped(control, "", number, def.u.sd.valid_min, def.u.sd.valid_max, warnings));
        break;
    }
    case ControlKind::Angle:
        if (!parseNumber(text, value.number))
            badValue(control, text, "an angle in degrees");
        value.number = clamped(control, "", value.number, -kFixedLimit, kFixedLimit, warnings);
        break;
    case ControlKind::Checkbox:
        if (!parseCheckbox(trimmed(text), value.integer))
            badValue(control, text, "0 or 1");
        break;
    case ControlKind::Popup: {
        const long count = def.u.pd.num_choices;
        if (!parseInteger(text, value.integer))
            badValue(control, text, "an item number from 1 to " + std::to_string(count));
        if (value.integer < 1 || value.integer > count)
            throw UsageError(displayName(control) + " has no item " + trimmed(text) + " (its items are 1 to " +
                             std::to_string(count) + ")");
        break;
    }
    case ControlKind::Point: {
        const auto xy = numbers(control, text, 2, "X,Y in pixels of the layer");
        const bool inside = def.u.td.restrict_bounds != 0;
        value.x = clamped(control, " x", xy[0], inside ? 0.0 : -kFixedLimit, inside ? layerWidth : kFixedLimit, warnings);
        value.y = clamped(control, " y", xy[1], inside ? 0.0 : -kFixedLimit, inside ? layerHeight : kFixedLimit, warnings);
        break;
    }
    case ControlKind::Colour: {
        const auto rgb = numbers(control, text, 3, "R,G,B as fractions from 0 to 1");
        value.red = clamped(control, " red", rgb[0], 0.0, 1.0, warnings);
        value.green = clamped(control, " green", rgb[1], 0.0, 1.0, warnings);
        value.blue = clamped(control, " blue", rgb[2], 0.0, 1.0, warnings);
        break;
    }
    case ControlKind::Layer:
        throw UsageError(displayName(control) + " is a layer control: give its image with --layer " +
                         displayName(control) + "=FILE");
    case ControlKind::GroupStart:
    case ControlKind::GroupEnd:
        throw UsageError(displayName(control) + " is a group of controls and has no value");
    }
    return value;
}

void applyControlValue(hostsim::HostSimulation& host, const ControlInfo& control, const ParsedValue& value)
{
    switch (value.kind) {
    case ControlKind::Float:
        host.setFloat(control.index, value.number);
        break;
    case ControlKind::Angle:
        host.setAngle(control.index, value.number);
        break;
    case ControlKind::IntSlider:
    case ControlKind::Checkbox:
    case ControlKind::Popup:
        host.setInt(control.index, static_cast<A_long>(value.integer));
        break;
    case ControlKind::Point:
        host.setPoint(control.index, value.x, value.y);
        break;
    case ControlKind::Colour:
        host.setColor(control.index, value.red, value.green, value.blue);
        break;
    case ControlKind::Layer:
    case ControlKind::GroupStart:
    case ControlKind::GroupEnd:
        break;
    }
}

} // namespace quorvane
