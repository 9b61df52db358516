// The callbacks the simulated host hands a plug-in. None of them throws; a malformed call is
// answered with PF_Err_BAD_CALLBACK_PARAM (or a null result) and written to the protocol log.

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "SimulationImpl.h"

namespace quorvane::hostsim {

namespace {

using Impl = HostSimulation::Impl;

std::atomic<Impl*> gActive{nullptr};

// Error answered by AcquireSuite for a suite the host does not offer.
constexpr SPErr kSuiteNotFound = ('S' << 24) | ('!' << 16) | ('F' << 8) | 'd';

Impl* simulationFor(PF_ProgPtr ref, const char* callback)
{
    Impl* sim = gActive.load();
    if (!sim)
        return nullptr;
    if (ref != effectRefOf(sim)) {
        std::lock_guard<std::mutex> lock(sim->mutex);
        sim->protocolError(std::string(callback) + ": unknown effect reference");
        return nullptr;
    }
    return sim;
}

std::string indexText(PF_ParamIndex index)
{
    return std::to_string(index);
}

// ---- Interaction callbacks. ----

PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long whatTime, A_long timeStep,
                     A_u_long timeScale, PF_ParamDef* param)
{
    Impl* sim = simulationFor(ref, "checkout_param");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (!param || index < 0 || index >= static_cast<PF_ParamIndex>(sim->params.size())) {
        sim->protocolError("checkout_param: no parameter " + indexText(index));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    ParamCheckoutRecord record{index, whatTime, timeStep, timeScale, PF_Err_NONE};
    const auto refused = sim->refusedParams.find(index);
    if (refused != sim->refusedParams.end()) {
        record.result = refused->second;
        sim->paramCheckouts.push_back(record);
        ++sim->counters.paramCheckoutsRefused;
        return refused->second;
    }
    // Times in another time scale are converted into the layer's.
    A_long time = whatTime;
    if (timeScale != 0 && timeScale != sim->config.timeScale)
        time = roundToHostInt(static_cast<double>(whatTime) * sim->config.timeScale / timeScale);
    *param = sim->handOver(index, time);
    HandedOver handed{index, {}};
    if (param->param_type == PF_Param_COLOR)
        handed.colour = sim->slotAt(index, time).colour;
    sim->checkedOut.emplace(param, handed);
    sim->paramCheckouts.push_back(record);
    ++sim->counters.paramsCheckedOut;
    return PF_Err_NONE;
}

PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param)
{
    Impl* sim = simulationFor(ref, "checkin_param");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    const auto handed = sim->checkedOut.find(param);
    if (handed == sim->checkedOut.end()) {
        sim->protocolError("checkin_param: definition was not checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    sim->checkedOut.erase(handed);
    ++sim->counters.paramsCheckedIn;
    return PF_Err_NONE;
}

PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def)
{
    Impl* sim = simulationFor(ref, "add_param");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (!sim->registering) {
        sim->protocolError("add_param outside PF_Cmd_PARAMS_SETUP");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const auto next = static_cast<PF_ParamIndex>(sim->params.size());
    if (!def || (index != -1 && index != next)) {
        sim->protocolError("add_param: index " + indexText(index) + " (expected -1 or "
                           + indexText(next) + ")");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    sim->addRegistration(*def);
    ++sim->counters.registrations;
    return PF_Err_NONE;
}

PF_Err progress(PF_ProgPtr ref, A_long done, A_long total)
{
    Impl* sim = simulationFor(ref, "progress");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::shared_ptr<const std::function<void(A_long, A_long)>> observer;
    bool stop = false;
    {
        std::lock_guard<std::mutex> lock(sim->mutex);
        ++sim->counters.progressCalls;
        if (sim->progressCountdown > 0 && --sim->progressCountdown == 0)
            sim->progressAborted = true;
        stop = sim->progressAborted || (sim->interruptFlag && sim->interruptFlag->load());
        observer = sim->progressObserver;
    }
    if (observer)
        (*observer)(done, total);
    return stop ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

// ---- Utility callbacks. ----

HandleRecord* liveHandle(Impl* sim, PF_Handle handle, const char* callback)
{
    auto* record = reinterpret_cast<HandleRecord*>(handle);
    if (!sim->liveHandles.count(record)) {
        sim->protocolError(std::string(callback) + ": not a live handle");
        return nullptr;
    }
    return record;
}

PF_Handle newHandle(A_u_long bytes)
{
    Impl* sim = gActive.load();
    if (!sim)
        return nullptr;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (sim->allocationCountdown > 0 && --sim->allocationCountdown == 0) {
        ++sim->counters.handleAllocationsFailed;
        return nullptr;
    }
    // A zero-byte handle still owns a distinct block.
    const std::size_t size = bytes == 0 ? 1 : bytes;
    void* block = sim->allocator->allocate(size);
    if (!block) {
        ++sim->counters.handleAllocationsFailed;
        return nullptr;
    }
    auto* record = new HandleRecord{block, size, 0};
    sim->liveHandles.insert(record);
    ++sim->counters.handlesAllocated;
    return reinterpret_cast<PF_Handle>(record);
}

void* lockHandle(PF_Handle handle)
{
    Impl* sim = gActive.load();
    if (!sim)
        return nullptr;
    std::lock_guard<std::mutex> lock(sim->mutex);
    HandleRecord* record = liveHandle(sim, handle, "host_lock_handle");
    if (!record)
        return nullptr;
    ++record->locks;
    ++sim->counters.handleLocks;
    return record->block;
}

void unlockHandle(PF_Handle handle)
{
    Impl* sim = gActive.load();
    if (!sim)
        return;
    std::lock_guard<std::mutex> lock(sim->mutex);
    HandleRecord* record = liveHandle(sim, handle, "host_unlock_handle");
    if (!record)
        return;
    if (record->locks == 0) {
        sim->protocolError("host_unlock_handle: handle is not locked");
        return;
    }
    --record->locks;
    ++sim->counters.handleUnlocks;
}

void disposeHandle(PF_Handle handle)
{
    Impl* sim = gActive.load();
    if (!sim)
        return;
    std::lock_guard<std::mutex> lock(sim->mutex);
    HandleRecord* record = liveHandle(sim, handle, "host_dispose_handle");
    if (!record)
        return;
    sim->liveHandles.erase(record);
    sim->allocator->release(record->block, record->bytes);
    delete record;
    ++sim->counters.handlesDisposed;
}

using IterationFunc = PF_Err (*)(void*, A_long, A_long, A_long);

PF_Err iterateGeneric(A_long iterations, void* refcon, IterationFunc fn)
{
    Impl* sim = gActive.load();
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    {
        std::lock_guard<std::mutex> lock(sim->mutex);
        ++sim->counters.iterateCalls;
        if (!fn || iterations < PF_Iterations_ONCE_PER_PROCESSOR) {
            sim->protocolError("iterate_generic: bad iteration count or no function");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
    }
    if (!sim->threads)
        return PF_Err_BAD_CALLBACK_PARAM;
    HostThreads& threads = *sim->threads;
    const A_long participants = threads.participants();
    if (iterations == PF_Iterations_ONCE_PER_PROCESSOR) {
        std::vector<PF_Err> results(static_cast<std::size_t>(participants), PF_Err_NONE);
        threads.run([&](int t) { results[t] = fn(refcon, t, t, participants); });
        for (PF_Err result : results)
            if (result != PF_Err_NONE)
                return result;
        return PF_Err_NONE;
    }
    // Indices are handed out one at a time; the first failure stops the handing out.
    std::atomic<A_long> next{0};
    std::atomic<PF_Err> failure{PF_Err_NONE};
    threads.run([&](int t) {
        for (;;) {
            if (failure.load() != PF_Err_NONE)
                return;
            const A_long index = next.fetch_add(1);
            if (index >= iterations)
                return;
            const PF_Err result = fn(refcon, t, index, iterations);
            if (result != PF_Err_NONE) {
                PF_Err expected = PF_Err_NONE;
                failure.compare_exchange_strong(expected, result);
                return;
            }
        }
    });
    return failure.load();
}

A_long hostSprintf(char* buffer, const char* format, ...)
{
    if (Impl* sim = gActive.load()) {
        std::lock_guard<std::mutex> lock(sim->mutex);
        ++sim->counters.sprintfCalls;
    }
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsprintf(buffer, format, arguments);
    va_end(arguments);
    return written;
}

char* hostStrcpy(char* destination, const char* source)
{
    if (Impl* sim = gActive.load()) {
        std::lock_guard<std::mutex> lock(sim->mutex);
        ++sim->counters.strcpyCalls;
    }
    return std::strcpy(destination, source);
}

// ---- Suites. ----

PF_Err updateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def)
{
    Impl* sim = simulationFor(ref, "PF_UpdateParamUI");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (!def || index < 1 || index >= static_cast<PF_ParamIndex>(sim->params.size())) {
        sim->protocolError("PF_UpdateParamUI: no parameter " + indexText(index));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    sim->uiUpdates.push_back(UiUpdate{sim->currentCommand, index, def->ui_flags, def->param_type});
    HostParameter& parameter = sim->params[static_cast<std::size_t>(index)];
    parameter.base.def.ui_flags = def->ui_flags;
    for (auto& [time, slot] : parameter.atTime)
        slot.def.ui_flags = def->ui_flags;
    return PF_Err_NONE;
}

PF_Err floatColour(PF_ProgPtr ref, const PF_ParamDef* def, PF_PixelFloat* colour)
{
    Impl* sim = simulationFor(ref, "PF_GetFloatingPointColorFromColorDef");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (!def || !colour || def->param_type != PF_Param_COLOR) {
        sim->protocolError("PF_GetFloatingPointColorFromColorDef: not a colour definition");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    ++sim->counters.colourReads;
    *colour = sim->colourOf(*def);
    return PF_Err_NONE;
}

const PF_ParamUtilsSuite1 kParamUtilsSuite{updateParamUI};
const PF_ColorParamSuite1 kColorParamSuite{floatColour};

// Slot 0: the parameter utilities, slot 1: the colour suite.
int suiteSlot(const char* name, A_long version)
{
    if (!name || version != 1)
        return -1;
    if (std::strcmp(name, kPFParamUtilsSuite) == 0)
        return 0;
    if (std::strcmp(name, kPFColorParamSuite) == 0)
        return 1;
    return -1;
}

SPErr acquireSuite(const char* name, A_long version, const void** suite)
{
    Impl* sim = gActive.load();
    if (!sim || !suite)
        return kSuiteNotFound;
    std::lock_guard<std::mutex> lock(sim->mutex);
    const int slot = suiteSlot(name, version);
    const bool offered = (slot == 0 && sim->config.offerParamUtilsSuite)
        || (slot == 1 && sim->config.offerColorSuite);
    if (!offered) {
        *suite = nullptr;
        return kSuiteNotFound;
    }
    *suite = slot == 0 ? static_cast<const void*>(&kParamUtilsSuite)
                       : static_cast<const void*>(&kColorParamSuite);
    ++sim->suitesHeld[slot];
    ++sim->counters.suitesAcquired;
    return 0;
}

SPErr releaseSuite(const char* name, A_long version)
{
    Impl* sim = gActive.load();
    if (!sim)
        return kSuiteNotFound;
    std::lock_guard<std::mutex> lock(sim->mutex);
    const int slot = suiteSlot(name, version);
    if (slot < 0 || sim->suitesHeld[slot] == 0) {
        sim->protocolError(std::string("ReleaseSuite: ") + (name ? name : "(null)")
                           + " was not acquired");
        return kSuiteNotFound;
    }
    --sim->suitesHeld[slot];
    ++sim->counters.suitesReleased;
    return 0;
}

SPBasicSuite gBasicSuite{acquireSuite, releaseSuite};

// ---- Pre-render and smart render. ----

PF_LRect intersection(const PF_LRect& a, const PF_LRect& b)
{
    PF_LRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom)
        return PF_LRect{0, 0, 0, 0};
    return r;
}

PF_Err checkoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long checkoutId,
                     const PF_RenderRequest* request, A_long whatTime, A_long timeStep,
                     A_u_long timeScale, PF_CheckoutResult* result)
{
    Impl* sim = simulationFor(ref, "checkout_layer");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (sim->currentCommand != PF_Cmd_SMART_PRE_RENDER || !request || !result
        || !sim->isLayerIndex(index)) {
        sim->protocolError("checkout_layer: index " + indexText(index)
                           + " outside a pre-render, not a layer, or null records");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    LayerCheckoutRecord record{index, checkoutId, request->rect, whatTime, timeStep, timeScale,
                               PF_Err_NONE, {}};
    const auto refused = sim->refusedLayers.find(checkoutId);
    if (refused != sim->refusedLayers.end()) {
        record.result = refused->second;
        sim->layerCheckouts.push_back(record);
        ++sim->counters.layerCheckoutsRefused;
        return refused->second;
    }
    const ImageView image = sim->imageOfLayer(index);
    const PF_LRect whole = image.hasPixels() ? PF_LRect{0, 0, image.width, image.height}
                                             : PF_LRect{0, 0, 0, 0};
    PF_CheckoutResult answer{};
    answer.result_rect = intersection(request->rect, whole);
    answer.max_result_rect = whole;
    answer.par = index == 0 ? sim->settings.pixelAspect : image.pixelAspect;
    answer.solid = 0;
    answer.ref_width = image.hasPixels() ? image.width : 0;
    answer.ref_height = image.hasPixels() ? image.height : 0;
    *result = answer;
    record.answer = answer;
    sim->layerCheckouts.push_back(record);
    sim->areas[checkoutId] = LayerArea{index, answer.result_rect, answer.par};
    ++sim->counters.layersCheckedOut;
    return PF_Err_NONE;
}

PF_Err checkoutLayerPixels(PF_ProgPtr ref, A_long checkoutId, PF_EffectWorld** pixels)
{
    Impl* sim = simulationFor(ref, "checkout_layer_pixels");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    const auto area = sim->areas.find(checkoutId);
    if (sim->currentCommand != PF_Cmd_SMART_RENDER || !pixels || area == sim->areas.end()) {
        sim->protocolError("checkout_layer_pixels: id " + std::to_string(checkoutId)
                           + " was not checked out in the pre-render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const auto refused = sim->refusedPixels.find(checkoutId);
    if (refused != sim->refusedPixels.end())
        return refused->second;
    const ImageView image = sim->imageOfLayer(area->second.index);
    const PF_LRect& rect = area->second.rect;
    if (!image.hasPixels() || rect.left >= rect.right || rect.top >= rect.bottom) {
        *pixels = nullptr;
        return PF_Err_NONE;
    }
    ImageView part = image;
    part.data = image.pixelAddress(rect.left, rect.top);
    part.width = rect.right - rect.left;
    part.height = rect.bottom - rect.top;
    part.pixelAspect = area->second.pixelAspect;
    PF_EffectWorld& world = sim->pixelWorlds[checkoutId];
    world = worldFor(part, rect.left, rect.top);
    *pixels = &world;
    sim->pixelsOut.insert(checkoutId);
    ++sim->counters.layerPixelsCheckedOut;
    return PF_Err_NONE;
}

PF_Err checkinLayerPixels(PF_ProgPtr ref, A_long checkoutId)
{
    Impl* sim = simulationFor(ref, "checkin_layer_pixels");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (sim->pixelsOut.erase(checkoutId) == 0) {
        sim->protocolError("checkin_layer_pixels: id " + std::to_string(checkoutId)
                           + " is not checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    ++sim->counters.layerPixelsCheckedIn;
    return PF_Err_NONE;
}

PF_Err checkoutOutput(PF_ProgPtr ref, PF_EffectWorld** output)
{
    Impl* sim = simulationFor(ref, "checkout_output");
    if (!sim)
        return PF_Err_BAD_CALLBACK_PARAM;
    std::lock_guard<std::mutex> lock(sim->mutex);
    if (sim->currentCommand != PF_Cmd_SMART_RENDER || !output) {
        sim->protocolError("checkout_output outside a smart render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (sim->refusedOutput)
        return *sim->refusedOutput;
    *output = &sim->outputWorld;
    ++sim->counters.outputCheckouts;
    return PF_Err_NONE;
}

PF_PreRenderCallbacks gPreRenderCallbacks{checkoutLayer};
PF_SmartRenderCallbacks gSmartRenderCallbacks{checkoutLayerPixels, checkinLayerPixels,
                                              checkoutOutput};

} // namespace

HostSimulation::Impl* activeSimulation()
{
    return gActive.load();
}

void setActiveSimulation(HostSimulation::Impl* impl)
{
    gActive.store(impl);
}

PF_InteractCallbacks interactCallbacks()
{
    return PF_InteractCallbacks{checkoutParam, checkinParam, addParam, progress};
}

PF_UtilCallbacks utilCallbacks(bool withIteration)
{
    PF_UtilCallbacks utils{};
    utils.host_new_handle = newHandle;
    utils.host_lock_handle = lockHandle;
    utils.host_unlock_handle = unlockHandle;
    utils.host_dispose_handle = disposeHandle;
    utils.iterate_generic = withIteration ? iterateGeneric : nullptr;
    utils.ansi.sprintf = hostSprintf;
    utils.ansi.strcpy = hostStrcpy;
    return utils;
}

SPBasicSuite* basicSuite()
{
    return &gBasicSuite;
}

PF_PreRenderCallbacks* preRenderCallbacks()
{
    return &gPreRenderCallbacks;
}

PF_SmartRenderCallbacks* smartRenderCallbacks()
{
    return &gSmartRenderCallbacks;
}

PF_ProgPtr effectRefOf(HostSimulation::Impl* impl)
{
    return reinterpret_cast<PF_ProgPtr>(impl);
}

} // namespace quorvane::hostsim
