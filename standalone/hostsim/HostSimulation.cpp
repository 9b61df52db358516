// Commands and frames of the simulated host.

#include "hostsim/HostSimulation.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "SimulationImpl.h"

namespace quorvane::hostsim {

namespace {

constexpr PF_Cmd kNoCommand = -1;

// One command at a time in the whole process: the callbacks find their simulation through
// the process-wide active pointer.
std::mutex& commandMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool isEmpty(const PF_LRect& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

void clearImage(const ImageView& image)
{
    const std::size_t rowBytes =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(bytesPerPixel(image.depth));
    for (int y = 0; y < image.height; ++y)
        std::memset(image.pixelAddress(0, y), 0, rowBytes);
}

void checkImage(const ImageView& image, const char* role, bool required)
{
    if (!image.hasPixels()) {
        if (required)
            throw std::invalid_argument(std::string(role) + " image has no pixels");
        return;
    }
    const int pixelBytes = bytesPerPixel(image.depth);
    if (pixelBytes == 0)
        throw std::invalid_argument(std::string(role) + " image depth must be 8, 16 or 32");
    if (static_cast<long long>(image.rowBytes) < static_cast<long long>(image.width) * pixelBytes)
        throw std::invalid_argument(std::string(role) + " image rows are shorter than its width");
}

void checkScale(const PF_RationalScale& scale, const char* what)
{
    if (scale.num <= 0 || scale.den == 0)
        throw std::invalid_argument(std::string(what) + " must be a positive fraction");
}

} // namespace

HostSimulation::Impl::Impl(PF_EntryPointFunc entryPoint, HostConfig hostConfig)
    : entry(entryPoint), config(hostConfig),
      allocator(hostConfig.allocator ? hostConfig.allocator : &defaultHandleAllocator())
{
    if (!entry)
        throw std::invalid_argument("no entry point");
    if (config.hostThreads < 0 || config.hostThreads > 1024)
        throw std::invalid_argument("host threads must be 0 .. 1024");
    if (config.timeStep <= 0 || config.timeScale == 0)
        throw std::invalid_argument("time step and time scale must be positive");
    if (config.hostThreads > 0)
        threads = std::make_unique<HostThreads>(config.hostThreads);
    utils = utilCallbacks(config.hostThreads > 0);
    resetParameters();
}

HostSimulation::Impl::~Impl()
{
    if (frameOpen)
        endFrame();
    // Handles a plug-in never gave back go back to the allocator here.
    for (HandleRecord* record : liveHandles) {
        allocator->release(record->block, record->bytes);
        delete record;
    }
}

void HostSimulation::Impl::protocolError(const std::string& text)
{
    ++counters.protocolErrors;
    protocolLog.push_back(text);
}

PF_InData HostSimulation::Impl::makeInData()
{
    PF_InData in{};
    in.inter = interactCallbacks();
    in.utils = &utils;
    in.effect_ref = effectRefOf(this);
    in.version = config.specVersion;
    in.appl_id = config.applicationId;
    in.num_params = static_cast<A_long>(params.size());
    in.current_time = currentTime();
    in.time_step = config.timeStep;
    in.local_time_step = config.timeStep;
    in.total_time = config.totalFrames * config.timeStep;
    in.time_scale = config.timeScale;
    in.width = settings.layerWidth;
    in.height = settings.layerHeight;
    in.downsample_x = settings.downsampleX;
    in.downsample_y = settings.downsampleY;
    in.pixel_aspect_ratio = settings.pixelAspect;
    in.output_origin_x = 0;
    in.output_origin_y = 0;
    in.pica_basicP = config.offerSuiteAccess ? basicSuite() : nullptr;
    return in;
}

void HostSimulation::Impl::buildParamArray()
{
    arrayDefs.resize(params.size());
    arrayPointers.resize(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
        arrayDefs[i] = handOver(static_cast<PF_ParamIndex>(i), currentTime());
        arrayPointers[i] = &arrayDefs[i];
    }
}

PF_Err HostSimulation::Impl::send(PF_Cmd command, bool withParams, PF_LayerDef* output,
                                  void* extra)
{
    std::lock_guard<std::mutex> oneCommand(commandMutex());
    PF_InData in = makeInData();
    PF_OutData out = outTemplate;
    if (withParams)
        buildParamArray();
    {
        std::lock_guard<std::mutex> lock(mutex);
        currentCommand = command;
    }
    setActiveSimulation(this);
    const PF_Err result =
        entry(command, &in, &out, withParams ? arrayPointers.data() : nullptr, output, extra);
    setActiveSimulation(nullptr);
    lastOut = out;
    if (withParams)
        takeOverChangedValues();

    std::lock_guard<std::mutex> lock(mutex);
    currentCommand = kNoCommand;
    CommandRecord record;
    record.command = command;
    record.result = result;
    record.handlesOutstanding = static_cast<long>(liveHandles.size());
    record.paramsOutstanding = static_cast<long>(checkedOut.size());
    record.suitesOutstanding = suitesHeld[0] + suitesHeld[1];
    record.layerPixelsOutstanding = static_cast<long>(pixelsOut.size());
    commandLog.push_back(record);
    return result;
}

// ---- Frames. ----

void HostSimulation::Impl::validate(const FrameRequest& request) const
{
    checkImage(request.source, "source", true);
    checkImage(request.output, "output", true);
    if (request.output.width != request.source.width
        || request.output.height != request.source.height)
        throw std::invalid_argument("output image must have the source image's size");
    checkScale(request.downsampleX, "horizontal downsample factor");
    checkScale(request.downsampleY, "vertical downsample factor");
    checkScale(request.pixelAspect, "pixel aspect ratio");
    const bool smart = request.path == RenderPath::Smart;
    if (smart && request.source.depth != request.output.depth)
        throw std::invalid_argument("smart rendering needs source and output of one depth");
    if (!smart && (request.source.depth == 32 || request.output.depth == 32))
        throw std::invalid_argument("the legacy render has no 32-bit float images");
    for (const auto& [index, image] : request.layers) {
        if (index == 0 || !isLayerIndex(index))
            throw std::invalid_argument("host index " + std::to_string(index)
                                        + " is not a layer control");
        checkImage(image, "layer", false);
        if (!image.hasPixels())
            continue;
        checkScale(image.pixelAspect, "layer pixel aspect ratio");
        if (smart && image.depth != request.output.depth)
            throw std::invalid_argument("smart rendering needs layers of the render depth");
        if (!smart && image.depth == 32)
            throw std::invalid_argument("the legacy render has no 32-bit float images");
    }
}

void HostSimulation::Impl::beginFrame(const FrameRequest& request)
{
    validate(request);
    if (frameOpen)
        endFrame();
    frame = request;
    settings.layerWidth = static_cast<A_long>(static_cast<long long>(request.source.width)
                                              * request.downsampleX.den / request.downsampleX.num);
    settings.layerHeight = static_cast<A_long>(static_cast<long long>(request.source.height)
                                               * request.downsampleY.den / request.downsampleY.num);
    settings.frame = request.frame;
    settings.downsampleX = request.downsampleX;
    settings.downsampleY = request.downsampleY;
    settings.pixelAspect = request.pixelAspect;
    // The frame's images are the frame's only: later commands see the earlier ones again.
    savedSource = source;
    source = request.source;
    savedLayers.clear();
    for (const auto& [index, image] : request.layers) {
        HostParameter& parameter = params[static_cast<std::size_t>(index)];
        savedLayers.emplace(index, parameter.layer);
        parameter.layer = image;
    }
    std::lock_guard<std::mutex> lock(mutex);
    areas.clear();
    pixelWorlds.clear();
    pixelsOut.clear();
    layerCheckouts.clear();
    preRenderInput = PF_PreRenderInput{};
    preRenderOutput = PF_PreRenderOutput{};
    preRenderDataPending = false;
    outputIsInternal = false;
    outputWorld = PF_LayerDef{};
    frameOpen = true;
}

void HostSimulation::Impl::endFrame()
{
    if (preRenderDataPending && preRenderOutput.delete_pre_render_data_func) {
        // The plug-in's delete function may give host handles back: it runs as a command would.
        std::lock_guard<std::mutex> oneCommand(commandMutex());
        setActiveSimulation(this);
        preRenderOutput.delete_pre_render_data_func(preRenderOutput.pre_render_data);
        setActiveSimulation(nullptr);
    }
    preRenderDataPending = false;
    preRenderOutput.pre_render_data = nullptr;
    source = savedSource;
    for (const auto& [index, image] : savedLayers)
        params[static_cast<std::size_t>(index)].layer = image;
    savedLayers.clear();
    std::lock_guard<std::mutex> lock(mutex);
    pixelsOut.clear();   // the host checks in whatever the smart render left checked out
    frameOpen = false;
}

void HostSimulation::Impl::prepareOutputWorld()
{
    const PF_LRect rect = preRenderOutput.result_rect;
    const ImageView& output = frame.output;
    outputIsInternal = !(rect.left == 0 && rect.top == 0 && rect.right == output.width
                         && rect.bottom == output.height);
    if (!outputIsInternal) {
        outputWorld = worldFor(output, 0, 0);
    } else if (isEmpty(rect)) {
        internalOutput = HostImage();
        outputWorld = PF_LayerDef{};
    } else {
        internalOutput = HostImage(rect.right - rect.left, rect.bottom - rect.top, output.depth);
        outputWorld = worldFor(internalOutput.view(), rect.left, rect.top);
    }
    outputWorld.pix_aspect_ratio = settings.pixelAspect;
}

void HostSimulation::Impl::deliverOutput()
{
    if (!outputIsInternal)
        return;
    const ImageView& output = frame.output;
    clearImage(output);
    if (isEmpty(preRenderOutput.result_rect))
        return;
    const PF_LRect rect = preRenderOutput.result_rect;
    const A_long left = std::max<A_long>(rect.left, 0);
    const A_long right = std::min<A_long>(rect.right, output.width);
    const A_long top = std::max<A_long>(rect.top, 0);
    const A_long bottom = std::min<A_long>(rect.bottom, output.height);
    if (left >= right || top >= bottom)
        return;
    const ImageView produced = internalOutput.view();
    const std::size_t bytes =
        static_cast<std::size_t>(right - left) * static_cast<std::size_t>(bytesPerPixel(output.depth));
    for (A_long y = top; y < bottom; ++y)
        std::memcpy(output.pixelAddress(left, y),
                    produced.pixelAddress(left - rect.left, y - rect.top), bytes);
}

// ---- Public API. ----

HostSimulation::HostSimulation(PF_EntryPointFunc entry, HostConfig config)
    : impl_(std::make_unique<Impl>(entry, config))
{
}

HostSimulation::~HostSimulation() = default;

const HostConfig& HostSimulation::config() const
{
    return impl_->config;
}

PF_Err HostSimulation::about(std::string* text)
{
    const PF_Err result = impl_->send(PF_Cmd_ABOUT, true, nullptr, nullptr);
    if (text) {
        const PF_OutData& out = impl_->lastOut;
        text->assign(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
    }
    return result;
}

PF_Err HostSimulation::globalSetup()
{
    return impl_->send(PF_Cmd_GLOBAL_SETUP, true, nullptr, nullptr);
}

PF_Err HostSimulation::paramsSetup()
{
    Impl& sim = *impl_;
    {
        std::lock_guard<std::mutex> lock(sim.mutex);
        sim.resetParameters();
        sim.registering = true;
    }
    const PF_Err result = sim.send(PF_Cmd_PARAMS_SETUP, true, nullptr, nullptr);
    std::lock_guard<std::mutex> lock(sim.mutex);
    sim.registering = false;
    sim.finishRegistrations();
    const auto registered = static_cast<A_long>(sim.params.size());
    if (result == PF_Err_NONE && sim.lastOut.num_params != registered)
        sim.protocolError("PF_Cmd_PARAMS_SETUP: num_params " + std::to_string(sim.lastOut.num_params)
                          + " but " + std::to_string(registered)
                          + " parameters including the layer");
    return result;
}

PF_Err HostSimulation::sequenceSetup()
{
    return impl_->send(PF_Cmd_SEQUENCE_SETUP, true, nullptr, nullptr);
}

PF_Err HostSimulation::sequenceSetdown()
{
    return impl_->send(PF_Cmd_SEQUENCE_SETDOWN, true, nullptr, nullptr);
}

PF_Err HostSimulation::globalSetdown()
{
    return impl_->send(PF_Cmd_GLOBAL_SETDOWN, true, nullptr, nullptr);
}

PF_Err HostSimulation::userChangedParam(PF_ParamIndex index)
{
    impl_->checkIndex(index);
    PF_UserChangedParamExtra extra{index};
    return impl_->send(PF_Cmd_USER_CHANGED_PARAM, true, nullptr, &extra);
}

PF_Err HostSimulation::updateParamsUI()
{
    return impl_->send(PF_Cmd_UPDATE_PARAMS_UI, true, nullptr, nullptr);
}

PF_Err HostSimulation::setUp()
{
    PF_Err result = globalSetup();
    if (result == PF_Err_NONE)
        result = paramsSetup();
    if (result == PF_Err_NONE)
        result = sequenceSetup();
    return result;
}

PF_Err HostSimulation::setDown()
{
    PF_Err result = sequenceSetdown();
    if (result == PF_Err_NONE)
        result = globalSetdown();
    return result;
}

PF_Err HostSimulation::sendCommand(PF_Cmd command, void* extra)
{
    return impl_->send(command, true, nullptr, extra);
}

PF_Err HostSimulation::renderFrame(const FrameRequest& request)
{
    Impl& sim = *impl_;
    if (request.path == RenderPath::Legacy) {
        sim.beginFrame(request);
        ImageView outputView = request.output;
        outputView.pixelAspect = request.pixelAspect;
        PF_LayerDef output = worldFor(outputView);
        PF_Err result = sim.send(PF_Cmd_FRAME_SETUP, true, &output, nullptr);
        if (result == PF_Err_NONE) {
            result = sim.send(PF_Cmd_RENDER, true, &output, nullptr);
            const PF_Err setdown = sim.send(PF_Cmd_FRAME_SETDOWN, true, &output, nullptr);
            if (result == PF_Err_NONE)
                result = setdown;
        }
        sim.outputWorld = output;
        sim.endFrame();
        return result;
    }
    PF_Err result = smartPreRender(request);
    if (result == PF_Err_NONE) {
        if (isEmpty(sim.preRenderOutput.result_rect))
            clearImage(request.output);
        else
            result = smartRender();
    }
    sim.endFrame();
    return result;
}

PF_Err HostSimulation::smartPreRender(const FrameRequest& request)
{
    Impl& sim = *impl_;
    sim.beginFrame(request);
    PF_RenderRequest& out = sim.preRenderInput.output_request;
    out.rect = request.outputRequest.value_or(
        PF_LRect{0, 0, request.source.width, request.source.height});
    out.field = PF_Field_FRAME;
    out.channel_mask = PF_ChannelMask_ARGB;
    out.preserve_rgb_of_zero_alpha = 0;
    sim.preRenderInput.bitdepth = static_cast<A_short>(request.output.depth);
    PF_PreRenderExtra extra{&sim.preRenderInput, &sim.preRenderOutput, preRenderCallbacks()};
    const PF_Err result = sim.send(PF_Cmd_SMART_PRE_RENDER, false, nullptr, &extra);
    sim.preRenderDataPending = sim.preRenderOutput.pre_render_data != nullptr;
    return result;
}

PF_Err HostSimulation::smartRender()
{
    Impl& sim = *impl_;
    if (!sim.frameOpen)
        throw std::logic_error("smartRender without a pre-render");
    try {
        sim.prepareOutputWorld();
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    }
    PF_SmartRenderInput input{sim.preRenderInput.output_request, sim.preRenderInput.bitdepth,
                              sim.preRenderOutput.pre_render_data};
    PF_SmartRenderExtra extra{&input, smartRenderCallbacks()};
    const PF_Err result = sim.send(PF_Cmd_SMART_RENDER, false, nullptr, &extra);
    if (result == PF_Err_NONE)
        sim.deliverOutput();
    return result;
}

void HostSimulation::finishFrame()
{
    impl_->endFrame();
}

const PF_PreRenderOutput& HostSimulation::preRenderOutput() const
{
    return impl_->preRenderOutput;
}

const PF_LayerDef& HostSimulation::lastOutputWorld() const
{
    return impl_->outputWorld;
}

void HostSimulation::setFrameSettings(const FrameSettings& settings)
{
    checkScale(settings.downsampleX, "horizontal downsample factor");
    checkScale(settings.downsampleY, "vertical downsample factor");
    checkScale(settings.pixelAspect, "pixel aspect ratio");
    impl_->settings = settings;
}

const FrameSettings& HostSimulation::frameSettings() const
{
    return impl_->settings;
}

void HostSimulation::setSourceImage(const ImageView& image)
{
    impl_->source = image;
}

void HostSimulation::setOutDataTemplate(const PF_OutData& outData)
{
    impl_->outTemplate = outData;
}

const PF_OutData& HostSimulation::lastOutData() const
{
    return impl_->lastOut;
}

// ---- Failure injection and progress. ----

void HostSimulation::failAllocation(long k)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->allocationCountdown = k < 0 ? 0 : k;
}

void HostSimulation::refuseParamCheckout(PF_ParamIndex index, PF_Err error)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->refusedParams[index] = error;
}

void HostSimulation::refuseLayerCheckout(A_long checkoutId, PF_Err error)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->refusedLayers[checkoutId] = error;
}

void HostSimulation::refuseLayerPixels(A_long checkoutId, PF_Err error)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->refusedPixels[checkoutId] = error;
}

void HostSimulation::refuseOutputCheckout(PF_Err error)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->refusedOutput = error;
}

void HostSimulation::clearRefusals()
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->refusedParams.clear();
    impl_->refusedLayers.clear();
    impl_->refusedPixels.clear();
    impl_->refusedOutput.reset();
}

void HostSimulation::setProgressObserver(std::function<void(A_long, A_long)> observer)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (observer)
        impl_->progressObserver =
            std::make_shared<const std::function<void(A_long, A_long)>>(std::move(observer));
    else
        impl_->progressObserver.reset();
}

void HostSimulation::abortProgressAt(long k)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->progressCountdown = k < 0 ? 0 : k;
    impl_->progressAborted = false;
}

void HostSimulation::setInterruptFlag(const std::atomic<bool>* flag)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->interruptFlag = flag;
}

// ---- Records. ----

Counters HostSimulation::counters() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->counters;
}

void HostSimulation::resetCounters()
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->counters = Counters{};
}

long HostSimulation::handlesOutstanding() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return static_cast<long>(impl_->liveHandles.size());
}

long HostSimulation::paramsOutstanding() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return static_cast<long>(impl_->checkedOut.size());
}

const std::vector<CommandRecord>& HostSimulation::commandLog() const
{
    return impl_->commandLog;
}

const std::vector<ParamCheckoutRecord>& HostSimulation::paramCheckouts() const
{
    return impl_->paramCheckouts;
}

const std::vector<LayerCheckoutRecord>& HostSimulation::layerCheckouts() const
{
    return impl_->layerCheckouts;
}

const std::vector<std::string>& HostSimulation::protocolLog() const
{
    return impl_->protocolLog;
}

void HostSimulation::clearRecords()
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->commandLog.clear();
    impl_->paramCheckouts.clear();
    impl_->layerCheckouts.clear();
    impl_->protocolLog.clear();
    impl_->uiUpdates.clear();
}

} // namespace quorvane::hostsim
