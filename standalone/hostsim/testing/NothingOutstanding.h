#pragma once
// Test expectation shared by every suite that drives a plug-in through the simulation.

#include <gtest/gtest.h>

#include "hostsim/HostSimulation.h"

namespace quorvane::hostsim {

// Every command gave back what it took: memory, parameters, layer pixels and suites.
inline void expectNothingOutstanding(const HostSimulation& sim)
{
    for (const CommandRecord& record : sim.commandLog()) {
        EXPECT_EQ(record.paramsOutstanding, 0) << "command " << record.command;
        EXPECT_EQ(record.suitesOutstanding, 0) << "command " << record.command;
        EXPECT_EQ(record.layerPixelsOutstanding, 0) << "command " << record.command;
        // The pre-render hands its layer records over in a handle the host owns until the
        // frame is done.
        if (record.command != PF_Cmd_SMART_PRE_RENDER && record.command != PF_Cmd_SMART_RENDER) {
            EXPECT_EQ(record.handlesOutstanding, 0) << "command " << record.command;
        }
    }
    EXPECT_EQ(sim.handlesOutstanding(), 0);
    EXPECT_EQ(sim.paramsOutstanding(), 0);
    EXPECT_TRUE(sim.protocolLog().empty()) << sim.protocolLog().front();
}

} // namespace quorvane::hostsim
