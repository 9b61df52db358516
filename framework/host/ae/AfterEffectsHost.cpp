#include "host/ae/AfterEffectsHost.h"

#include <algorithm>
#include <cstring>

#include "host/Identity.h"
#include "host/ae/AeConversions.h"
#include "host/ae/ControlChangeClock.h"
#include "host/ae/HostMemory.h"
#include "host/ae/RenderEntry.h"
#include "parameters/BoundParameters.h"
#include "parameters/BoundRegistration.h"

namespace quorvane {

namespace {

constexpr std::size_t kMessageCapacity = 255;

// The host may run the counting calls on several threads at once.
CriticalSection& threadCountLock()
{
    static CriticalSection lock;
    return lock;
}

PF_Err countHostThread(void* refcon, A_long, A_long, A_long)
{
    ScopedLock lock(threadCountLock());
    ++*static_cast<int*>(refcon);
    return PF_Err_NONE;
}

struct LoopBody {
    IterationObject* object;
    IterationCallback callback;
};

PF_Err runLoopBody(void* refcon, A_long threadIndex, A_long index, A_long iterations)
{
    const LoopBody* body = static_cast<const LoopBody*>(refcon);
    return (body->object->*body->callback)(index, iterations, threadIndex);
}

bool hostIterates(const PF_InData* in)
{
    return in && in->utils && in->utils->iterate_generic;
}

A_u_long versionEncoding(int major, int minor, int bugfix)
{
    constexpr A_u_long releaseStage = 3;
    return (static_cast<A_u_long>(major & 7) << 19) | (static_cast<A_u_long>(minor & 15) << 15) |
           (static_cast<A_u_long>(bugfix & 15) << 11) | (releaseStage << 9);
}

} // namespace

AfterEffectsHost::AfterEffectsHost(std::string displayName, std::string category,
                                   std::string description, int versionMajor, int versionMinor,
                                   int versionBugfix)
    : QuorvaneHost(std::move(displayName), std::move(category), std::move(description),
                   versionMajor, versionMinor, versionBugfix)
{
}

AfterEffectsHost::~AfterEffectsHost() = default;

int AfterEffectsHost::progress(int done, int total, int threadIndex)
{
    if (threadIndex != 0)
        return lastProgressResult_.load(std::memory_order_relaxed) != noError()
                   ? PF_Interrupt_CANCEL
                   : noError();
    if (!inData_ || !inData_->inter.progress)
        return noError();
    const int answer = inData_->inter.progress(inData_->effect_ref, done, total);
    if (answer != noError())
        lastProgressResult_.store(answer, std::memory_order_relaxed);
    return answer;
}

void* AfterEffectsHost::allocate(int bytes)
{
    ScopedLock lock(lock_);
    return allocateHostBlock(inData_ ? inData_->utils : nullptr, bytes);
}

void AfterEffectsHost::deallocate(void* block)
{
    ScopedLock lock(lock_);
    releaseHostBlock(inData_ ? inData_->utils : nullptr, block);
}

int AfterEffectsHost::threadCount(int* count, int maxThreads)
{
    *count = 0;
    int result = noError();
    if (hostIterates(inData_))
        result = inData_->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, count,
                                                 countHostThread);
    else
        result = QuorvaneHost::threadCount(count, maxThreads);
    if (maxThreads > 0 && *count > maxThreads)
        *count = maxThreads;
    if (*count < 1)
        *count = 1;
    return result;
}

int AfterEffectsHost::iterate(int iterations, IterationObject* object,
                              IterationCallback callback)
{
    lastProgressResult_.store(noError(), std::memory_order_relaxed);
    int result = noError();
    const bool knownHost = inData_ && (inData_->appl_id == PF_ApplId_AfterEffects ||
                                       inData_->appl_id == PF_ApplId_Premiere);
    if (knownHost && hostIterates(inData_)) {
        LoopBody body{object, callback};
        result = inData_->utils->iterate_generic(iterations, &body, runLoopBody);
    } else {
        result = QuorvaneHost::iterate(iterations, object, callback);
    }
    lastProgressResult_.store(result, std::memory_order_relaxed);
    return result;
}

double AfterEffectsHost::currentFrame()
{
    return inData_ ? timeInSteps(inData_->current_time, inData_->local_time_step) : 0.0;
}

double AfterEffectsHost::frameRate()
{
    return inData_ ? timeInSteps(inData_->time_scale, inData_->local_time_step) : 0.0;
}

void AfterEffectsHost::frameRange(double* first, double* last)
{
    *first = 0;
    *last = (inData_ ? timeInSteps(inData_->total_time, inData_->local_time_step) : 0.0) - 1;
}

bool AfterEffectsHost::isAfterEffectsHost() { return true; }

double AfterEffectsHost::inputFrame(std::string) { return currentFrame(); }

int AfterEffectsHost::outOfMemoryError() { return PF_Err_OUT_OF_MEMORY; }

void AfterEffectsHost::setMessage(std::string text)
{
    if (text.empty() || !outData_)
        return;
    const std::size_t length = std::min(text.size(), kMessageCapacity);
    std::memcpy(outData_->return_msg, text.data(), length);
    outData_->return_msg[length] = '\0';
}

void AfterEffectsHost::assignIndices()
{
    int counter = 1;
    for (xParameterBase* parameter : *parameters()) {
        auto* bound = dynamic_cast<xParameterBaseAE*>(parameter);
        if (!bound)
            continue;
        bound->adaptor = this;
        if (parameter->definition().hidden)
            continue;
        bound->hostIndex = counter++;
        if (auto* colour = dynamic_cast<xRGBA*>(parameter); colour && colour->hasAlphaSlider())
            colour->alphaIndex = counter++;
    }
    parameterCount_ = counter;
}

int AfterEffectsHost::command(PF_Cmd cmd, PF_InData* inData, PF_OutData* outData,
                              PF_ParamDef** params, PF_LayerDef* output, void* extra)
{
    if (parameterCount_ < 1)
        assignIndices();
    inData_ = inData;
    outData_ = outData;
    params_ = params;
    output_ = output;
    extra_ = extra;
    serviceError_.store(noError());
    int result = dispatch(cmd, inData, outData, params, output, extra);
    if (result == noError())
        result = serviceError_.load();
    return result;
}

int AfterEffectsHost::dispatch(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef** params,
                               PF_LayerDef* output, void* extra)
{
    switch (cmd) {
    case PF_Cmd_ABOUT: return about(in, out, params, output);
    case PF_Cmd_GLOBAL_SETUP: return globalSetup(in, out, params, output);
    case PF_Cmd_GLOBAL_SETDOWN: return globalSetdown(in, out, params, output);
    case PF_Cmd_PARAMS_SETUP: return paramsSetup(in, out, params, output);
    case PF_Cmd_SEQUENCE_SETUP: return sequenceSetup(in, out, params, output);
    case PF_Cmd_SEQUENCE_RESETUP: return sequenceResetup(in, out, params, output);
    case PF_Cmd_SEQUENCE_FLATTEN: return sequenceFlatten(in, out, params, output);
    case PF_Cmd_SEQUENCE_SETDOWN: return sequenceSetdown(in, out, params, output);
    case PF_Cmd_FRAME_SETUP: return frameSetup(in, out, params, output);
    case PF_Cmd_RENDER: return RenderEntry(*this).legacyRender();
    case PF_Cmd_FRAME_SETDOWN: return frameSetdown(in, out, params, output);
    case PF_Cmd_USER_CHANGED_PARAM: return userChangedParam(in, out, params, output, extra);
    case PF_Cmd_UPDATE_PARAMS_UI: return updateParamsUI(in, out, params, output, extra);
    case PF_Cmd_EVENT: return event(in, out, params, output, extra);
    case PF_Cmd_COMPLETELY_GENERAL: return completelyGeneral(in, out, params, output, extra);
    case PF_Cmd_ARBITRARY_CALLBACK: return arbitraryCallback(in, out, params, output, extra);
    case PF_Cmd_SMART_PRE_RENDER: return RenderEntry(*this).smartPreRender();
    case PF_Cmd_SMART_RENDER: return RenderEntry(*this).smartRender();
    default: return noError();
    }
}

int AfterEffectsHost::about(PF_InData* in, PF_OutData* out, PF_ParamDef**, PF_LayerDef*)
{
    if (!in || !in->utils || !in->utils->ansi.sprintf)
        return PF_Err_BAD_CALLBACK_PARAM;
    const std::string title = aboutTitle(displayName);
    // The host's sprintf knows no buffer size: keep the text inside return_msg.
    std::string text = description;
    const std::size_t used = aboutText(displayName, versionMajor, versionMinor, versionBugfix, "")
                                 .size();
    if (used + text.size() > kMessageCapacity)
        text.resize(kMessageCapacity > used ? kMessageCapacity - used : 0);
    const char* format = aboutFormat(versionBugfix);
    if (versionBugfix != 0)
        in->utils->ansi.sprintf(out->return_msg, format, title.c_str(), versionMajor, versionMinor,
                                versionBugfix, text.c_str());
    else
        in->utils->ansi.sprintf(out->return_msg, format, title.c_str(), versionMajor, versionMinor,
                                text.c_str());
    return noError();
}

int AfterEffectsHost::globalSetup(PF_InData* in, PF_OutData* out, PF_ParamDef**, PF_LayerDef*)
{
    out->my_version = versionEncoding(versionMajor, versionMinor, versionBugfix);
    out->out_flags = PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
    if (in && hostSpecAtLeast(12, 5))
        out->out_flags2 = PF_OutFlag2_REVEALS_ZERO_ALPHA | PF_OutFlag2_SUPPORTS_SMART_RENDER |
                          PF_OutFlag2_FLOAT_COLOR_AWARE;
    return noError();
}

int AfterEffectsHost::globalSetdown(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return noError();
}

int AfterEffectsHost::sequenceSetup(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return noError();
}

int AfterEffectsHost::sequenceResetup(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return noError();
}

int AfterEffectsHost::sequenceSetdown(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return noError();
}

int AfterEffectsHost::sequenceFlatten(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return noError();
}

int AfterEffectsHost::event(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*)
{
    return noError();
}

int AfterEffectsHost::arbitraryCallback(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                                        void*)
{
    return noError();
}

int AfterEffectsHost::completelyGeneral(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                                        void*)
{
    return noError();
}

int AfterEffectsHost::paramsSetup(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return registerParameters(*this);
}

int AfterEffectsHost::userChangedParam(PF_InData* in, PF_OutData*, PF_ParamDef**, PF_LayerDef*,
                                       void* extra)
{
    if (!in || !in->pica_basicP)
        return noError();
    if (const auto* change = static_cast<const PF_UserChangedParamExtra*>(extra)) {
        for (xParameterBase* parameter : *parameters()) {
            auto* bound = dynamic_cast<xParameterBaseAE*>(parameter);
            if (!bound)
                continue;
            if (bound->hostIndex == change->param_index) {
                parameterChanged(parameter->definition().key);
                break;
            }
            // The alpha slider of a colour reports under its own key.
            auto* colour = dynamic_cast<xRGBA*>(parameter);
            if (colour && colour->hasAlphaSlider() && colour->alphaIndex == change->param_index) {
                parameterChanged(colour->def.alphaKey);
                break;
            }
        }
    }
    recordControlChange();
    return noError();
}

int AfterEffectsHost::updateParamsUI(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*)
{
    updateParameterUI();
    return noError();
}

int AfterEffectsHost::frameSetup(PF_InData*, PF_OutData* out, PF_ParamDef**, PF_LayerDef*)
{
    out->origin.h = 0;
    out->origin.v = 0;
    return noError();
}

int AfterEffectsHost::frameSetdown(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*)
{
    return noError();
}

int AfterEffectsHost::parameterCount() { return parameterCount_; }

int AfterEffectsHost::layerInput(int, std::string*) { return -1; }

void AfterEffectsHost::checkoutTime(PF_InData* in, PF_ParamDef**, CheckoutTime* time)
{
    time->time = truncateToInt(static_cast<double>(in->local_time_step) * inputFrame(""));
    time->timeStep = in->time_step;
    time->timeScale = in->time_scale;
}

bool AfterEffectsHost::isPremiere() const
{
    return inData_ && inData_->appl_id == PF_ApplId_Premiere;
}

bool AfterEffectsHost::hostSpecAtLeast(int major, int minor) const
{
    if (!inData_)
        return false;
    return inData_->version.major > major ||
           (inData_->version.major == major && inData_->version.minor >= minor);
}

void AfterEffectsHost::reportServiceError(int error)
{
    int none = noError();
    serviceError_.compare_exchange_strong(none, error);
}

} // namespace quorvane
