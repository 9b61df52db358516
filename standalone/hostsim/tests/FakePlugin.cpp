// A minimal plug-in library for loading tests: it registers two controls and copies its
// source into the output. Built in three variants: complete (with the control description
// export), bare (entry point only) and noentry (exports neither).

#include <cstdio>
#include <cstring>

#include "host/ae/AeInterface.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifdef FAKE_ENTRY
namespace {

PF_Err registerControls(PF_InData* in, PF_OutData* out)
{
    PF_ParamDef slider{};
    slider.param_type = PF_Param_FLOAT_SLIDER;
    in->utils->ansi.strcpy(slider.name, "Strength");
    slider.id = 7;
    slider.u.fs_d.value = slider.u.fs_d.dephault = 2.5f;
    slider.u.fs_d.valid_max = slider.u.fs_d.slider_max = 10.0f;
    PF_Err err = in->inter.add_param(in->effect_ref, -1, &slider);
    if (err)
        return err;
    PF_ParamDef point{};
    point.param_type = PF_Param_POINT;
    in->utils->ansi.strcpy(point.name, "Centre");
    point.id = 9;
    point.u.td.x_value = point.u.td.x_dephault = 50 << 16;
    point.u.td.y_value = point.u.td.y_dephault = 25 << 16;
    err = in->inter.add_param(in->effect_ref, -1, &point);
    out->num_params = 3;
    return err;
}

PF_Err preRender(PF_InData* in, PF_PreRenderExtra* extra)
{
    PF_CheckoutResult result{};
    const PF_Err err = extra->cb->checkout_layer(in->effect_ref, 0, 0,
                                                 &extra->input->output_request, in->current_time,
                                                 in->time_step, in->time_scale, &result);
    if (err)
        return err;
    extra->output->result_rect = result.result_rect;
    extra->output->max_result_rect = result.max_result_rect;
    return PF_Err_NONE;
}

PF_Err copyWorld(const PF_EffectWorld* from, PF_EffectWorld* to, int pixelBytes)
{
    for (A_long y = 0; y < to->height && y < from->height; ++y)
        std::memcpy(static_cast<char*>(to->data) + y * to->rowbytes,
                    static_cast<const char*>(from->data) + y * from->rowbytes,
                    static_cast<std::size_t>(to->width) * pixelBytes);
    return PF_Err_NONE;
}

PF_Err smartRender(PF_InData* in, PF_SmartRenderExtra* extra)
{
    PF_EffectWorld* source = nullptr;
    PF_EffectWorld* output = nullptr;
    PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, 0, &source);
    if (!err && source)
        err = extra->cb->checkout_output(in->effect_ref, &output);
    if (!err && source && output) {
        const int pixelBytes = extra->input->bitdepth == 32 ? 16 : extra->input->bitdepth == 16 ? 8 : 4;
        err = copyWorld(source, output, pixelBytes);
    }
    return err;
}

} // namespace

FAKE_EXPORT PF_Err EntryPointFunc(PF_Cmd command, PF_InData* in, PF_OutData* out,
                                  PF_ParamDef* params[], PF_LayerDef* output, void* extra)
{
    (void)params;
    (void)output;
    switch (command) {
    case PF_Cmd_ABOUT:
        in->utils->ansi.sprintf(out->return_msg, "%s v%d.%d", "Fake", 1, 2);
        return PF_Err_NONE;
    case PF_Cmd_GLOBAL_SETUP:
        out->out_flags = PF_OutFlag_DEEP_COLOR_AWARE;
        out->out_flags2 = PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
        return PF_Err_NONE;
    case PF_Cmd_PARAMS_SETUP:
        return registerControls(in, out);
    case PF_Cmd_SMART_PRE_RENDER:
        return preRender(in, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER:
        return smartRender(in, static_cast<PF_SmartRenderExtra*>(extra));
    default:
        return PF_Err_NONE;
    }
}
#else
FAKE_EXPORT int NotAnEntryPoint()
{
    return 0;
}
#endif

#ifdef FAKE_DESCRIBE
FAKE_EXPORT int QuorvaneDescribeControls(char* buffer, int size)
{
    static const char text[] = "7\tstrength\t\xC7\xBF\xB6\xC8\n9\tcentre\n";
    const int length = static_cast<int>(sizeof text) - 1;
    if (buffer && size > 0)
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text);
    return length;
}
#endif
