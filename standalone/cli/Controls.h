#pragma once
// The controls of a plug-in as the standalone host knows them: what the plug-in registered
// (kind, label, id, default, ranges) joined by id with what its library describes (short
// name, key). Texts are kept as the plug-in's GBK bytes and in UTF-8.

#include <string>
#include <vector>

#include "hostsim/HostSimulation.h"
#include "hostsim/PluginLibrary.h"

namespace quorvane {

enum class ControlKind { Layer, IntSlider, Angle, Checkbox, Colour, Point, Popup, Float, GroupStart, GroupEnd };

const char* kindName(ControlKind kind);

struct ControlInfo {
    int index = 0;                   // host index
    int id = 0;
    ControlKind kind = ControlKind::Float;
    std::string shortName;           // empty when the library describes none
    std::string label;               // UTF-8
    std::string key;                 // UTF-8
    std::string keyGbk;              // as the plug-in holds it
    std::vector<std::string> items;  // pop-up items, UTF-8
    PF_ParamDef registered{};        // the registration as the host received it
};

ControlKind kindOf(PF_ParamType type);

// One entry per registered control in host order (index 1 upwards).
std::vector<ControlInfo> collectControls(const std::vector<hostsim::Registration>& registrations,
                                         const std::vector<hostsim::ControlDescription>& descriptions);

// The control NAME stands for: its ID (decimal), its short name (any case) or its key in
// UTF-8. Throws UsageError naming the effect when there is none.
const ControlInfo& findControl(const std::vector<ControlInfo>& controls, const std::string& name,
                               const std::string& effect);

// "radius" (or "#1" when the control has no short name): how messages name a control.
std::string displayName(const ControlInfo& control);

} // namespace quorvane
