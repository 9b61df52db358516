#pragma once
// The object Quadsoft's entry point builds for each host command.

#include "QuadsoftHost.h"
#include "host/ae/AfterEffectsHost.h"

namespace quorvane {

class QuadsoftAEHost final : public QuadsoftHost<AfterEffectsHost> {
public:
    using QuadsoftHost<AfterEffectsHost>::QuadsoftHost;
    ~QuadsoftAEHost() override = default;
};

} // namespace quorvane
