#pragma once
// `quorvane controls`: one row per control (ID, short name, host index, kind, label, key,
// default, slider range, valid range, precision, pop-up items), as an aligned table or JSON.

#include <string>
#include <vector>

#include "Controls.h"

namespace quorvane {

std::string controlTable(const std::vector<ControlInfo>& controls);
std::string controlJson(const std::vector<ControlInfo>& controls);

// Terminal columns a UTF-8 text takes (wide East Asian characters count two).
int displayWidth(const std::string& utf8);

} // namespace quorvane
