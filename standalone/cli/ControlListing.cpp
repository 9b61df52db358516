#include "ControlListing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorvane {

namespace {

// The shortest text that reads back as the value: single-precision values as floats (5, not
// 5.0000000001).
template <class T>
std::string number(T v)
{
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

std::string range(const std::string& low, const std::string& high)
{
    return low + " to " + high;
}

// The texts of one row after ID, name, index, kind, label and key.
struct Details {
    std::string defaultValue = "-";
    std::string slider = "-";
    std::string valid = "-";
    std::string precision = "-";
    std::string items;
};

std::string itemList(const std::vector<std::string>& items, const char* separator)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i ? separator : "") + std::to_string(i + 1) + " " + items[i];
    return text;
}

Details detailsOf(const ControlInfo& c)
{
    const PF_ParamDef& d = c.registered;
    Details out;
    switch (c.kind) {
    case ControlKind::Float:
        out.defaultValue = number(d.u.fs_d.dephault);
        out.slider = range(number(d.u.fs_d.slider_min), number(d.u.fs_d.slider_max));
        out.valid = range(number(d.u.fs_d.valid_min), number(d.u.fs_d.valid_max));
        out.precision = std::to_string(d.u.fs_d.precision);
        break;
    case ControlKind::IntSlider:
        out.defaultValue = std::to_string(d.u.sd.dephault);
        out.slider = range(std::to_string(d.u.sd.slider_min), std::to_string(d.u.sd.slider_max));
        out.valid = range(std::to_string(d.u.sd.valid_min), std::to_string(d.u.sd.valid_max));
        break;
    case ControlKind::Angle:
        out.defaultValue = number(d.u.ad.dephault / 65536.0) + " deg";
        out.valid = "any";
        break;
    case ControlKind::Checkbox:
        out.defaultValue = d.u.bd.dephault ? "1 (on)" : "0 (off)";
        out.valid = "0 or 1";
        break;
    case ControlKind::Popup:
        out.defaultValue = std::to_string(d.u.pd.dephault);
        out.valid = range("1", std::to_string(d.u.pd.num_choices));
        out.items = itemList(c.items, ", ");
        break;
    case ControlKind::Point:
        out.defaultValue = number(d.u.td.x_dephault / 65536.0) + "%," + number(d.u.td.y_dephault / 65536.0) + "% of the layer";
        out.valid = d.u.td.restrict_bounds ? "inside the layer" : "any";
        break;
    case ControlKind::Colour:
        out.defaultValue = number(d.u.cd.dephault.red / 255.0) + "," + number(d.u.cd.dephault.green / 255.0) + "," +
                           number(d.u.cd.dephault.blue / 255.0);
        out.valid = "0 to 1 each";
        break;
    case ControlKind::Layer:
        out.defaultValue = "none";
        break;
    case ControlKind::GroupStart:
    case ControlKind::GroupEnd:
        break;
    }
    return out;
}

std::string padded(const std::string& text, int width)
{
    return text + std::string(static_cast<std::size_t>(std::max(0, width - displayWidth(text))), ' ');
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// JSON has no infinity: an open end of a range is null.
template <class T>
std::string jsonNumber(T v)
{
    return std::isfinite(v) ? number(v) : "null";
}

std::string jsonPair(const std::string& a, const std::string& b)
{
    return "[" + a + ", " + b + "]";
}

std::string jsonValues(const ControlInfo& c)
{
    const PF_ParamDef& d = c.registered;
    std::string defaultValue = "null", slider = "null", valid = "null", precision = "null", items = "null";
    switch (c.kind) {
    case ControlKind::Float:
        defaultValue = jsonNumber(d.u.fs_d.dephault);
        slider = jsonPair(jsonNumber(d.u.fs_d.slider_min), jsonNumber(d.u.fs_d.slider_max));
        valid = jsonPair(jsonNumber(d.u.fs_d.valid_min), jsonNumber(d.u.fs_d.valid_max));
        precision = std::to_string(d.u.fs_d.precision);
        break;
    case ControlKind::IntSlider:
        defaultValue = std::to_string(d.u.sd.dephault);
        slider = jsonPair(std::to_string(d.u.sd.slider_min), std::to_string(d.u.sd.slider_max));
        valid = jsonPair(std::to_string(d.u.sd.valid_min), std::to_string(d.u.sd.valid_max));
        break;
    case ControlKind::Angle:
        defaultValue = jsonNumber(d.u.ad.dephault / 65536.0);
        break;
    case ControlKind::Checkbox:
        defaultValue = d.u.bd.dephault ? "1" : "0";
        valid = "[0, 1]";
        break;
    case ControlKind::Popup: {
        defaultValue = std::to_string(d.u.pd.dephault);
        valid = jsonPair("1", std::to_string(d.u.pd.num_choices));
        items = "[";
        for (std::size_t i = 0; i < c.items.size(); ++i)
            items += (i ? ", " : "") + jsonString(c.items[i]);
        items += "]";
        break;
    }
    case ControlKind::Point:
        defaultValue = "{\"x_percent\": " + jsonNumber(d.u.td.x_dephault / 65536.0) +
                       ", \"y_percent\": " + jsonNumber(d.u.td.y_dephault / 65536.0) +
                       ", \"restrict_to_layer\": " + (d.u.td.restrict_bounds ? "true" : "false") + "}";
        break;
    case ControlKind::Colour:
        defaultValue = "[" + jsonNumber(d.u.cd.dephault.red / 255.0) + ", " + jsonNumber(d.u.cd.dephault.green / 255.0) +
                       ", " + jsonNumber(d.u.cd.dephault.blue / 255.0) + "]";
        valid = "[0, 1]";
        break;
    case ControlKind::Layer:
    case ControlKind::GroupStart:
    case ControlKind::GroupEnd:
        break;
    }
    return ", \"default\": " + defaultValue + ", \"slider\": " + slider + ", \"valid\": " + valid +
           ", \"precision\": " + precision + ", \"items\": " + items;
}

} // namespace

int displayWidth(const std::string& utf8)
{
    int width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                          (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                          (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                          (code >= 0xFFE0 && code <= 0xFFE6);
        width += wide ? 2 : 1;
        i += static_cast<std::size_t>(length);
    }
    return width;
}

std::string controlTable(const std::vector<ControlInfo>& controls)
{
    std::vector<std::vector<std::string>> rows = {
        {"ID", "NAME", "INDEX", "KIND", "LABEL", "KEY", "DEFAULT", "SLIDER", "VALID", "PRECISION", "ITEMS"}};
    for (const ControlInfo& c : controls) {
        const Details d = detailsOf(c);
        rows.push_back({std::to_string(c.id), c.shortName.empty() ? "-" : c.shortName, std::to_string(c.index),
                        kindName(c.kind), c.label.empty() ? "-" : c.label, c.key.empty() ? "-" : c.key,
                        d.defaultValue, d.slider, d.valid, d.precision, d.items});
    }
    std::vector<int> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? padded(row[i], widths[i] + 2) : row[i];
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    return text;
}

std::string controlJson(const std::vector<ControlInfo>& controls)
{
    std::string text = "[\n";
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlInfo& c = controls[i];
        text += "  {\"id\": " + std::to_string(c.id) + ", \"name\": " + jsonString(c.shortName) +
                ", \"index\": " + std::to_string(c.index) + ", \"kind\": " + jsonString(kindName(c.kind)) +
                ", \"label\": " + jsonString(c.label) + ", \"key\": " + jsonString(c.key) + jsonValues(c) + "}" +
                (i + 1 < controls.size() ? ",\n" : "\n");
    }
    return text + "]\n";
}

} // namespace quorvane
