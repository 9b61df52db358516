// A small plug-in library for the command's tests: it copies its source into the output
// (an identity effect, so file round trips can be checked through the command), writes what
// the host handed it to the file named by QUORVANE_PROBE_RECORD, returns the error its "error"
// control holds, and makes "spin" progress calls of a millisecond each first (so an interrupt
// can arrive mid-render).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <thread>

#include "host/ae/AeInterface.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum Index { kStrength = 1, kTurn, kCheck, kChoice, kCentre, kTint, kExtra, kError, kSpin, kCount };

PF_Err add(PF_InData* in, PF_ParamDef def, PF_ParamType type, const char* name, A_long id)
{
    def.param_type = type;
    in->utils->ansi.strcpy(def.name, name);
    def.id = id;
    return in->inter.add_param(in->effect_ref, -1, &def);
}

PF_Err registerControls(PF_InData* in, PF_OutData* out)
{
    PF_ParamDef d{};
    d.u.fs_d.value = d.u.fs_d.dephault = 2.5f;
    d.u.fs_d.valid_min = d.u.fs_d.slider_min = 0.0f;
    d.u.fs_d.valid_max = d.u.fs_d.slider_max = 10.0f;
    d.u.fs_d.precision = 2;
    PF_Err err = add(in, d, PF_Param_FLOAT_SLIDER, "Strength", 101);
    d = {};
    d.u.ad.value = d.u.ad.dephault = 45 << 16;
    if (!err)
        err = add(in, d, PF_Param_ANGLE, "Turn", 102);
    d = {};
    if (!err)
        err = add(in, d, PF_Param_CHECKBOX, "Check", 103);
    d = {};
    d.u.pd.value = d.u.pd.dephault = 2;
    d.u.pd.num_choices = 3;
    d.u.pd.namesptr = "A| B| C";
    if (!err)
        err = add(in, d, PF_Param_POPUP, "Choice", 104);
    d = {};
    d.u.td.x_value = d.u.td.x_dephault = 50 << 16;
    d.u.td.y_value = d.u.td.y_dephault = 25 << 16;
    d.u.td.restrict_bounds = 1;
    if (!err)
        err = add(in, d, PF_Param_POINT, "Centre", 105);
    d = {};
    d.u.cd.value = d.u.cd.dephault = PF_Pixel{255, 255, 128, 0};
    if (!err)
        err = add(in, d, PF_Param_COLOR, "Tint", 106);
    d = {};
    if (!err)
        err = add(in, d, PF_Param_LAYER, "Extra", 107);
    d = {};
    d.u.sd.valid_max = d.u.sd.slider_max = 1000;
    if (!err)
        err = add(in, d, PF_Param_SLIDER, "Error", 108);
    d = {};
    d.u.sd.valid_max = d.u.sd.slider_max = 100000;
    if (!err)
        err = add(in, d, PF_Param_SLIDER, "Spin", 109);
    out->num_params = kCount;
    return err;
}

struct Params {
    PF_ParamDef def[kCount]{};
};

// The values at the current time, checked out as a smart render must.
PF_Err checkOut(PF_InData* in, Params& p)
{
    for (int i = 1; i < kCount; ++i) {
        const PF_Err err = in->inter.checkout_param(in->effect_ref, i, in->current_time, in->time_step,
                                                    in->time_scale, &p.def[i]);
        if (err)
            return err;
    }
    return PF_Err_NONE;
}

void checkIn(PF_InData* in, Params& p)
{
    for (int i = kCount - 1; i >= 1; --i)
        in->inter.checkin_param(in->effect_ref, &p.def[i]);
}

void record(PF_InData* in, const PF_ParamDef* const* def, const PF_EffectWorld* extra, const char* path)
{
    const char* file = std::getenv("QUORVANE_PROBE_RECORD");
    if (!file)
        return;
    std::FILE* out = std::fopen(file, "w");
    if (!out)
        return;
    std::fprintf(out, "path %s\n", path);
    std::fprintf(out, "strength %.17g\n", def[kStrength]->u.fs_d.value);
    std::fprintf(out, "turn %d\n", def[kTurn]->u.ad.value);
    std::fprintf(out, "check %d\n", def[kCheck]->u.bd.value);
    std::fprintf(out, "choice %d\n", def[kChoice]->u.pd.value);
    std::fprintf(out, "centre %d %d\n", def[kCentre]->u.td.x_value, def[kCentre]->u.td.y_value);
    const PF_Pixel c = def[kTint]->u.cd.value;
    std::fprintf(out, "tint %d %d %d\n", c.red, c.green, c.blue);
    std::fprintf(out, "extra %d %d\n", extra && extra->data ? extra->width : 0, extra && extra->data ? extra->height : 0);
    std::fprintf(out, "time %d %d %u\n", in->current_time, in->time_step, in->time_scale);
    std::fprintf(out, "frames %d\n", in->total_time / in->time_step);
    std::fprintf(out, "layer %d %d\n", in->width, in->height);
    std::fprintf(out, "downsample %d/%u %d/%u\n", in->downsample_x.num, in->downsample_x.den, in->downsample_y.num,
                 in->downsample_y.den);
    std::fprintf(out, "aspect %d/%u\n", in->pixel_aspect_ratio.num, in->pixel_aspect_ratio.den);
    std::fprintf(out, "application %c%c%c%c\n", char(in->appl_id >> 24), char(in->appl_id >> 16), char(in->appl_id >> 8),
                 char(in->appl_id));
    std::fprintf(out, "iteration %d\n", in->utils->iterate_generic ? 1 : 0);
    std::fprintf(out, "version %d.%d\n", in->version.major, in->version.minor);
    std::fclose(out);
}

PF_Err spinAndFail(PF_InData* in, const PF_ParamDef* const* def)
{
    const A_long spin = def[kSpin]->u.sd.value;
    for (A_long k = 0; k < spin; ++k) {
        if (const PF_Err err = in->inter.progress(in->effect_ref, k, spin))
            return err;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return def[kError]->u.sd.value;
}

void copyWorld(const PF_EffectWorld* from, PF_EffectWorld* to, int pixelBytes)
{
    for (A_long y = 0; y < to->height && y < from->height; ++y)
        std::memcpy(static_cast<char*>(to->data) + y * to->rowbytes,
                    static_cast<const char*>(from->data) + y * from->rowbytes,
                    static_cast<std::size_t>(to->width) * pixelBytes);
}

PF_Err preRender(PF_InData* in, PF_PreRenderExtra* extra)
{
    PF_CheckoutResult source{};
    PF_Err err = extra->cb->checkout_layer(in->effect_ref, 0, 0, &extra->input->output_request, in->current_time,
                                           in->time_step, in->time_scale, &source);
    PF_CheckoutResult layer{};
    if (!err)
        err = extra->cb->checkout_layer(in->effect_ref, kExtra, 1, &extra->input->output_request, in->current_time,
                                        in->time_step, in->time_scale, &layer);
    extra->output->result_rect = source.result_rect;
    extra->output->max_result_rect = source.max_result_rect;
    return err;
}

PF_Err smartRender(PF_InData* in, PF_SmartRenderExtra* extra)
{
    Params p;
    PF_Err err = checkOut(in, p);
    const PF_ParamDef* def[kCount];
    for (int i = 0; i < kCount; ++i)
        def[i] = &p.def[i];
    PF_EffectWorld* source = nullptr;
    PF_EffectWorld* layer = nullptr;
    PF_EffectWorld* output = nullptr;
    if (!err)
        err = extra->cb->checkout_layer_pixels(in->effect_ref, 0, &source);
    if (!err)
        err = extra->cb->checkout_layer_pixels(in->effect_ref, 1, &layer);
    if (!err)
        err = extra->cb->checkout_output(in->effect_ref, &output);
    if (!err) {
        record(in, def, layer, "smart");
        err = spinAndFail(in, def);
    }
    if (!err && source && output)
        copyWorld(source, output, extra->input->bitdepth == 32 ? 16 : extra->input->bitdepth == 16 ? 8 : 4);
    checkIn(in, p);
    return err;
}

PF_Err legacyRender(PF_InData* in, PF_ParamDef* params[], PF_LayerDef* output)
{
    const PF_ParamDef* def[kCount];
    for (int i = 0; i < kCount; ++i)
        def[i] = params[i];
    record(in, def, &params[kExtra]->u.ld, "legacy");
    const PF_Err err = spinAndFail(in, def);
    if (!err)
        copyWorld(&params[0]->u.ld, output, (output->world_flags & PF_WorldFlag_DEEP) ? 8 : 4);
    return err;
}

} // namespace

PROBE_EXPORT PF_Err EntryPointFunc(PF_Cmd command, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                                   PF_LayerDef* output, void* extra)
{
    switch (command) {
    case PF_Cmd_ABOUT:
        in->utils->ansi.sprintf(out->return_msg, "%s v%d.%d\r%s", "Probe ", 1, 0, "A test plug-in.");
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
    case PF_Cmd_RENDER:
        return legacyRender(in, params, output);
    default:
        return PF_Err_NONE;
    }
}

// The key of "Turn" differs from its label: "旋转" in GBK.
PROBE_EXPORT int QuorvaneDescribeControls(char* buffer, int size)
{
    static const char text[] = "101\tstrength\tStrength\n102\tturn\t\xD0\xFD\xD7\xAA\n103\tcheck\tCheck\n"
                               "104\tchoice\tChoice\n105\tcentre\tCentre\n106\ttint\tTint\n107\textra\tExtra\n"
                               "108\terror\tError\n109\tspin\tSpin\n";
    if (buffer && size > 0)
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text);
    return static_cast<int>(sizeof text) - 1;
}
