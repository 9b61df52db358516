#include "FakeEffect.h"

namespace quorvane::hostsim::testing {

FakeEffect& fake()
{
    static FakeEffect effect;
    return effect;
}

void resetFake()
{
    fake() = FakeEffect{};
}

extern "C" PF_Err fakeEntryPoint(PF_Cmd command, PF_InData* in, PF_OutData* out,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra)
{
    FakeEffect& effect = fake();
    effect.received.push_back(command);
    const auto handler = effect.handlers.find(command);
    if (handler == effect.handlers.end())
        return PF_Err_NONE;
    FakeCall call{command, in, out, params, output, extra};
    return handler->second(call);
}

PF_ParamDef definition(PF_InData* in, PF_ParamType type, const char* name, A_long id)
{
    PF_ParamDef def{};
    def.param_type = type;
    def.id = id;
    in->utils->ansi.strcpy(def.name, name);
    return def;
}

PF_Err add(PF_InData* in, PF_ParamDef def)
{
    return in->inter.add_param(in->effect_ref, -1, &def);
}

PF_Err during(HostSimulation& host, FakeHandler body)
{
    fake().handlers[PF_Cmd_SEQUENCE_SETUP] = std::move(body);
    return host.sequenceSetup();
}

} // namespace quorvane::hostsim::testing
