#include "Controls.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "CommandErrors.h"
#include "TextEncoding.h"

namespace quorvane {

namespace {

// Pop-up item texts are joined with "| ".
std::vector<std::string> splitItems(const std::string& joined)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = joined.find('|', start);
        std::string item = joined.substr(start, bar == std::string::npos ? bar : bar - start);
        if (!items.empty() && !item.empty() && item.front() == ' ')
            item.erase(0, 1);
        items.push_back(gbkToUtf8(item));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return items;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

bool isDecimal(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

} // namespace

const char* kindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Layer: return "layer";
    case ControlKind::IntSlider: return "integer";
    case ControlKind::Angle: return "angle";
    case ControlKind::Checkbox: return "checkbox";
    case ControlKind::Colour: return "colour";
    case ControlKind::Point: return "point";
    case ControlKind::Popup: return "popup";
    case ControlKind::Float: return "float";
    case ControlKind::GroupStart: return "group";
    case ControlKind::GroupEnd: return "group end";
    }
    return "?";
}

ControlKind kindOf(PF_ParamType type)
{
    switch (type) {
    case PF_Param_LAYER: return ControlKind::Layer;
    case PF_Param_SLIDER: return ControlKind::IntSlider;
    case PF_Param_ANGLE: return ControlKind::Angle;
    case PF_Param_CHECKBOX: return ControlKind::Checkbox;
    case PF_Param_COLOR: return ControlKind::Colour;
    case PF_Param_POINT: return ControlKind::Point;
    case PF_Param_POPUP: return ControlKind::Popup;
    case PF_Param_FLOAT_SLIDER: return ControlKind::Float;
    case PF_Param_GROUP_START: return ControlKind::GroupStart;
    case PF_Param_GROUP_END: return ControlKind::GroupEnd;
    }
    return ControlKind::GroupEnd;
}

std::vector<ControlInfo> collectControls(const std::vector<hostsim::Registration>& registrations,
                                         const std::vector<hostsim::ControlDescription>& descriptions)
{
    std::map<int, const hostsim::ControlDescription*> byId;
    for (const auto& description : descriptions)
        byId.emplace(description.id, &description);
    std::vector<ControlInfo> controls;
    for (std::size_t i = 0; i < registrations.size(); ++i) {
        const hostsim::Registration& registration = registrations[i];
        ControlInfo control;
        control.index = static_cast<int>(i) + 1;
        control.id = registration.def.id;
        control.kind = kindOf(registration.def.param_type);
        control.label = gbkToUtf8(registration.name);
        control.keyGbk = registration.name;
        if (const auto found = byId.find(control.id); found != byId.end()) {
            control.shortName = found->second->shortName;
            if (!found->second->key.empty())
                control.keyGbk = found->second->key;
        }
        control.key = gbkToUtf8(control.keyGbk);
        if (control.kind == ControlKind::Popup)
            control.items = splitItems(registration.popupTexts);
        control.registered = registration.def;
        controls.push_back(std::move(control));
    }
    return controls;
}

const ControlInfo& findControl(const std::vector<ControlInfo>& controls, const std::string& name,
                               const std::string& effect)
{
    const auto match = [&](auto predicate) {
        return std::find_if(controls.begin(), controls.end(), predicate);
    };
    auto found = controls.end();
    if (isDecimal(name)) {
        int id = -1;
        std::from_chars(name.data(), name.data() + name.size(), id);
        found = match([&](const ControlInfo& c) { return c.id == id; });
    }
    if (found == controls.end())
        found = match([&](const ControlInfo& c) { return !c.shortName.empty() && equalsIgnoringCase(c.shortName, name); });
    if (found == controls.end())
        if (const auto gbk = utf8ToGbk(name); gbk && !gbk->empty())
            found = match([&](const ControlInfo& c) { return c.kind != ControlKind::GroupEnd && c.keyGbk == *gbk; });
    if (found == controls.end())
        throw UsageError(effect + " has no control '" + name + "' (see quorvane controls " + effect + ")");
    return *found;
}

std::string displayName(const ControlInfo& control)
{
    return control.shortName.empty() ? "#" + std::to_string(control.id) : control.shortName;
}

} // namespace quorvane
