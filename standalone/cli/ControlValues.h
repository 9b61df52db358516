#pragma once
// Control values given on the command line, by kind:
//   float and integer slider  a number          angle   degrees
//   checkbox                  0 or 1 (on/off)   popup   the 1-based item number
//   point                     X,Y in pixels of the full-resolution layer
//   colour                    R,G,B as fractions 0 to 1
// A value outside the control's valid range is clamped, with a warning; an unparsable value,
// a popup item that does not exist or a kind that takes no value is a UsageError. The host
// then stores it as it hands it over (HostSimulation: doubles, round(degrees × 65536),
// round(X × downsampleX × 65536), round(f × 255) and the float colour).

#include <string>
#include <vector>

#include "Controls.h"

namespace quorvane {

struct ParsedValue {
    ControlKind kind = ControlKind::Float;
    double number = 0;          // float, angle
    long integer = 0;           // integer slider, checkbox, popup
    double x = 0, y = 0;        // point, full-resolution pixels
    double red = 0, green = 0, blue = 0;
};

// `layerWidth` and `layerHeight` are the full-resolution layer size (for points restricted
// to the layer). Warnings are appended as whole lines.
ParsedValue parseControlValue(const ControlInfo& control, const std::string& text, int layerWidth,
                              int layerHeight, std::vector<std::string>& warnings);

void applyControlValue(hostsim::HostSimulation& host, const ControlInfo& control, const ParsedValue& value);

// A number in the command line's form: decimal, optionally signed, finite. False otherwise.
bool parseNumber(const std::string& text, double& value);
bool parseInteger(const std::string& text, long& value);

} // namespace quorvane
