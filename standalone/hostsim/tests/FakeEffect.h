#pragma once
// A scriptable stand-in for a plug-in: its entry point hands each command to the handler a
// test installed for that command code; commands without a handler return 0.

#include <functional>
#include <map>
#include <vector>

#include "host/ae/AeInterface.h"
#include "hostsim/HostSimulation.h"

namespace quorvane::hostsim::testing {

struct FakeCall {
    PF_Cmd command;
    PF_InData* in;
    PF_OutData* out;
    PF_ParamDef** params;
    PF_LayerDef* output;
    void* extra;
};

using FakeHandler = std::function<PF_Err(FakeCall&)>;

struct FakeEffect {
    std::map<PF_Cmd, FakeHandler> handlers;
    std::vector<PF_Cmd> received;
};

// The fake behind fakeEntryPoint; reset() before each test.
FakeEffect& fake();
void resetFake();

extern "C" PF_Err fakeEntryPoint(PF_Cmd command, PF_InData* in, PF_OutData* out,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra);

// Registration helpers: a cleared definition of a kind with a name and id, added through the
// host's add_param with the name copied by the host's strcpy.
PF_ParamDef definition(PF_InData* in, PF_ParamType type, const char* name, A_long id);
PF_Err add(PF_InData* in, PF_ParamDef def);

// Runs `body` inside a command of `host` (sequence set-up) and returns its result.
PF_Err during(HostSimulation& host, FakeHandler body);

} // namespace quorvane::hostsim::testing
