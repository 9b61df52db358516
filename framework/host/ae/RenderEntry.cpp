#include "host/ae/RenderEntry.h"

#include <atomic>
#include <cstring>

#include "host/ae/AeConversions.h"
#include "host/ae/HostMemory.h"

namespace quorvane {

namespace {

// The effect may need this much around the request for the source.
constexpr int kSourceCandidateMargin = 100;

// The deletion callback receives only the data, so it disposes through the host's function
// remembered here; a host has one set of utility callbacks for the whole process.
std::atomic<void (*)(PF_Handle)> preRenderDataDisposer{nullptr};

int pixelBytes(int depth)
{
    switch (depth) {
    case 8: return static_cast<int>(sizeof(PF_Pixel));
    case 16: return static_cast<int>(sizeof(PF_Pixel16));
    case 32: return static_cast<int>(sizeof(PF_PixelFloat));
    default: return 0;
    }
}

// The descriptor of a host image at the command's scale.
struct CommandScale {
    double pixelAspect;
    double downsampleX;
    double downsampleY;
};

CommandScale commandScale(const PF_InData& in)
{
    return {rationalValue(in.pixel_aspect_ratio), rationalValue(in.downsample_x),
            rationalValue(in.downsample_y)};
}

ImageInfo describe(const PF_LayerDef& image, int depth, const CommandScale& scale)
{
    ImageInfo info;
    info.data = image.data;
    info.width = image.width;
    info.height = image.height;
    info.rowBytes = image.rowbytes;
    info.depth = depth;
    info.pixelAspect = scale.pixelAspect;
    info.downsampleX = scale.downsampleX;
    info.downsampleY = scale.downsampleY;
    info.valid = true;
    info.premultiplied = false;
    return info;
}

bool reachesOutside(const Rect& r, const Rect& bounds)
{
    return r.left < bounds.left || r.top < bounds.top || r.right > bounds.right ||
           r.bottom > bounds.bottom;
}

} // namespace

// The controls of a smart command, checked out into the adaptor's own array at the current
// time (the input layer and the layer inputs stay empty) and checked in again, highest index
// first, when the scope ends.
class CheckedOutControls {
public:
    CheckedOutControls(AfterEffectsHost& adaptor, const std::vector<RenderEntry::LayerInput>& layers)
        : adaptor_(adaptor), hostParams_(adaptor.paramArray())
    {
        const int count = std::max(adaptor.parameterCount(), 1);
        copies_.resize(static_cast<std::size_t>(count));
        pointers_.assign(static_cast<std::size_t>(count), nullptr);
        adaptor_.setParamArray(pointers_.data());
        PF_InData* in = adaptor.inData();
        for (int index = 1; index < count && result_ == PF_Err_NONE; ++index) {
            if (isLayerInput(layers, index))
                continue;
            PF_ParamDef& copy = copies_[static_cast<std::size_t>(index)];
            result_ = in->inter.checkout_param
                          ? in->inter.checkout_param(in->effect_ref, index, in->current_time,
                                                     in->time_step, in->time_scale, &copy)
                          : PF_Err_BAD_CALLBACK_PARAM;
            if (result_ == PF_Err_NONE)
                pointers_[static_cast<std::size_t>(index)] = &copy;
        }
    }

    ~CheckedOutControls()
    {
        PF_InData* in = adaptor_.inData();
        for (std::size_t index = pointers_.size(); index-- > 1;) {
            if (pointers_[index] && in->inter.checkin_param)
                in->inter.checkin_param(in->effect_ref, pointers_[index]);
        }
        adaptor_.setParamArray(hostParams_);
    }

    CheckedOutControls(const CheckedOutControls&) = delete;
    CheckedOutControls& operator=(const CheckedOutControls&) = delete;

    int result() const { return result_; }

private:
    static bool isLayerInput(const std::vector<RenderEntry::LayerInput>& layers, int index)
    {
        for (const auto& layer : layers) {
            if (layer.index == index)
                return true;
        }
        return false;
    }

    AfterEffectsHost& adaptor_;
    PF_ParamDef** hostParams_;
    std::vector<PF_ParamDef> copies_;
    std::vector<PF_ParamDef*> pointers_;
    int result_ = PF_Err_NONE;
};

// Layers of the legacy render checked out through checkout_param, checked in at scope end.
class CheckedOutLayers {
public:
    CheckedOutLayers(PF_InData* in, std::size_t capacity) : in_(in) { copies_.reserve(capacity); }
    ~CheckedOutLayers()
    {
        for (std::size_t i = copies_.size(); i-- > 0;) {
            if (in_->inter.checkin_param)
                in_->inter.checkin_param(in_->effect_ref, &copies_[i]);
        }
    }
    CheckedOutLayers(const CheckedOutLayers&) = delete;
    CheckedOutLayers& operator=(const CheckedOutLayers&) = delete;

    // The checked-out layer, or null with the host's error in *err.
    PF_LayerDef* checkOut(int index, A_long time, A_long timeStep, A_u_long timeScale, int* err)
    {
        if (!in_->inter.checkout_param) {
            *err = PF_Err_BAD_CALLBACK_PARAM;
            return nullptr;
        }
        // The host knows a check-out by the definition's address: check out in place.
        PF_ParamDef& copy = copies_.emplace_back();
        *err = in_->inter.checkout_param(in_->effect_ref, index, time, timeStep, timeScale, &copy);
        if (*err != PF_Err_NONE) {
            copies_.pop_back();
            return nullptr;
        }
        return &copy.u.ld;
    }

private:
    PF_InData* in_;
    std::vector<PF_ParamDef> copies_;   // reserved up front: addresses stay put
};

// Pixels of the smart render checked out by id, checked in at scope end.
class CheckedOutPixels {
public:
    CheckedOutPixels(PF_InData* in, PF_SmartRenderCallbacks* cb) : in_(in), cb_(cb) {}
    ~CheckedOutPixels()
    {
        for (std::size_t i = ids_.size(); i-- > 0;) {
            if (cb_->checkin_layer_pixels)
                cb_->checkin_layer_pixels(in_->effect_ref, ids_[i]);
        }
    }
    CheckedOutPixels(const CheckedOutPixels&) = delete;
    CheckedOutPixels& operator=(const CheckedOutPixels&) = delete;

    int checkOut(A_long id, PF_EffectWorld** world)
    {
        *world = nullptr;
        if (!cb_->checkout_layer_pixels)
            return PF_Err_BAD_CALLBACK_PARAM;
        const int err = cb_->checkout_layer_pixels(in_->effect_ref, id, world);
        // No pixels, nothing to check in.
        if (err == PF_Err_NONE && *world)
            ids_.push_back(id);
        return err;
    }

private:
    PF_InData* in_;
    PF_SmartRenderCallbacks* cb_;
    std::vector<A_long> ids_;
};

// All-zero images standing in for layers the host has no pixels for; their memory comes from
// the host and goes back at scope end.
class StandInImages {
public:
    StandInImages(AfterEffectsHost& adaptor, std::size_t capacity) : adaptor_(adaptor)
    {
        worlds_.reserve(capacity);
    }
    ~StandInImages()
    {
        for (void* block : blocks_)
            adaptor_.deallocate(block);
    }
    StandInImages(const StandInImages&) = delete;
    StandInImages& operator=(const StandInImages&) = delete;

    // A zero image of width x height at the depth, or null when memory runs out.
    PF_EffectWorld* make(int width, int height, int depth)
    {
        width = std::max(width, 0);
        height = std::max(height, 0);
        const std::int64_t rowBytes = std::int64_t{width} * pixelBytes(depth);
        const std::int64_t bytes = rowBytes * height;
        if (bytes > std::numeric_limits<int>::max())
            return nullptr;
        void* block = adaptor_.allocate(static_cast<int>(bytes));
        if (!block)
            return nullptr;
        blocks_.push_back(block);
        std::memset(block, 0, static_cast<std::size_t>(bytes));
        PF_EffectWorld world{};
        world.data = block;
        world.width = width;
        world.height = height;
        world.rowbytes = static_cast<A_long>(rowBytes);
        world.world_flags = depth == 16 ? PF_WorldFlag_DEEP : 0;
        world.pix_aspect_ratio = {1, 1};
        worlds_.push_back(world);
        return &worlds_.back();
    }

private:
    AfterEffectsHost& adaptor_;
    std::vector<void*> blocks_;
    std::vector<PF_EffectWorld> worlds_;   // reserved up front: addresses stay put
};

void disposePreRenderData(void* preRenderData)
{
    void (*dispose)(PF_Handle) = preRenderDataDisposer.load();
    if (preRenderData && dispose)
        dispose(static_cast<PF_Handle>(preRenderData));
}

RenderEntry::RenderEntry(AfterEffectsHost& adaptor) : adaptor_(adaptor), in_(adaptor.inData()) {}

std::vector<RenderEntry::LayerInput> RenderEntry::layerInputs()
{
    std::vector<LayerInput> layers;
    for (int i = 0;; ++i) {
        std::string key;
        const int index = adaptor_.layerInput(i, &key);
        if (index < 0)
            break;
        layers.push_back({index, key});
    }
    return layers;
}

int RenderEntry::dispatch(const SourceRecord& record, const PF_LayerDef& source, int depth,
                          const PF_LayerDef& output, const std::vector<LayerRecord>& layers)
{
    const CommandScale scale = commandScale(*in_);
    ImageInfo sourceInfo = describe(source, depth, scale);
    sourceInfo.originX = record.originX;
    sourceInfo.originY = record.originY;
    sourceInfo.fullWidth = record.fullWidth;
    sourceInfo.fullHeight = record.fullHeight;

    ImageInfo outputInfo = describe(output, depth, scale);
    outputInfo.originX = output.origin_x;
    outputInfo.originY = output.origin_y;
    outputInfo.fullWidth = output.width;
    outputInfo.fullHeight = output.height;

    InputImages inputs;
    std::size_t i = 0;
    for (const LayerInput& layer : layerInputs()) {
        if (i >= layers.size())
            break;
        const LayerRecord& r = layers[i++];
        ImageInfo info = r.image ? describe(*r.image, depth, scale) : ImageInfo{};
        info.depth = depth;
        info.downsampleX = scale.downsampleX;
        info.downsampleY = scale.downsampleY;
        info.originX = r.originX;
        info.originY = r.originY;
        info.fullWidth = r.fullWidth;
        info.fullHeight = r.fullHeight;
        info.pixelAspect = r.pixelAspect;
        info.valid = r.valid;
        inputs.set(layer.key, info);
    }

    switch (depth) {
    case 8: return adaptor_.render8(&sourceInfo, &outputInfo, &inputs);
    case 16: return adaptor_.render16(&sourceInfo, &outputInfo, &inputs);
    case 32: return adaptor_.renderFloat(&sourceInfo, &outputInfo, &inputs);
    default: return PF_Err_NONE;
    }
}

int RenderEntry::legacyRender()
{
    PF_ParamDef** params = adaptor_.paramArray();
    PF_LayerDef* output = adaptor_.outputWorld();
    if (!in_ || !params || !params[0] || !output)
        return PF_Err_BAD_CALLBACK_PARAM;
    const std::vector<LayerInput> layers = layerInputs();
    CheckedOutLayers checkedOut(in_, layers.size() + 1);

    const PF_LayerDef* source = &params[0]->u.ld;
    CheckoutTime time;
    adaptor_.checkoutTime(in_, params, &time);
    int err = PF_Err_NONE;
    if (time.time != in_->current_time) {
        source = checkedOut.checkOut(0, time.time, time.timeStep, time.timeScale, &err);
        if (!source)
            return err;
    }
    SourceRecord record{in_->output_origin_x, in_->output_origin_y, source->width, source->height};

    std::vector<LayerRecord> records;
    for (const LayerInput& layer : layers) {
        PF_LayerDef* image = checkedOut.checkOut(layer.index, in_->current_time, in_->time_step,
                                                 in_->time_scale, &err);
        if (!image)
            break;
        LayerRecord r;
        r.valid = image->data != nullptr;
        r.image = image;
        // The extra layer is centred on the output.
        r.originX = saturateToInt((std::int64_t{output->width} - image->width) / 2);
        r.originY = saturateToInt((std::int64_t{output->height} - image->height) / 2);
        r.fullWidth = image->width;
        r.fullHeight = image->height;
        r.pixelAspect = image->pix_aspect_ratio.den != 0 ? rationalValue(image->pix_aspect_ratio)
                                                         : rationalValue(in_->pixel_aspect_ratio);
        records.push_back(r);
    }
    if (err != PF_Err_NONE)
        return err;
    const bool deep = (source->world_flags & PF_WorldFlag_DEEP) ||
                      (output->world_flags & PF_WorldFlag_DEEP);
    return dispatch(record, *source, deep ? 16 : 8, *output, records);
}

int RenderEntry::smartPreRender()
{
    auto* extra = static_cast<PF_PreRenderExtra*>(adaptor_.extraData());
    if (!in_ || !extra || !extra->input || !extra->output || !extra->cb ||
        !extra->cb->checkout_layer)
        return PF_Err_BAD_CALLBACK_PARAM;
    const std::vector<LayerInput> layers = layerInputs();
    CheckedOutControls controls(adaptor_, layers);
    if (controls.result() != PF_Err_NONE)
        return controls.result();

    CheckoutTime time;
    adaptor_.checkoutTime(in_, adaptor_.paramArray(), &time);
    PF_RenderRequest request = extra->input->output_request;
    request.field = PF_Field_FRAME;
    request.channel_mask = PF_ChannelMask_ARGB;
    request.preserve_rgb_of_zero_alpha = 1;
    const Rect requested = toRect(extra->input->output_request.rect);

    const CommandScale scale = commandScale(*in_);
    ImageScale hostScale{scale.pixelAspect, scale.downsampleX, scale.downsampleY, 0, 0};
    ImageScale sourceScale{1.0, scale.downsampleX, scale.downsampleY,
                           truncateToInt(in_->width * scale.downsampleX),
                           truncateToInt(in_->height * scale.downsampleY)};

    auto checkoutSource = [&](A_long id, const Rect& rect, PF_CheckoutResult* result) {
        request.rect = toHostRect(rect);
        *result = PF_CheckoutResult{};
        return extra->cb->checkout_layer(in_->effect_ref, 0, id, &request, time.time,
                                         time.timeStep, time.timeScale, result);
    };

    Rect needed = requested;
    adaptor_.inputRect(adaptor_.sourceName(), &needed, grownRect(requested, kSourceCandidateMargin),
                       &sourceScale, &hostScale, sourceScale);
    Rect in = requested;
    Rect requestRect = requested;
    PF_CheckoutResult checked;
    if (!(needed == requested)) {
        // Learn the source's extent, then let the effect choose within it.
        if (int err = checkoutSource(kSourceProbeCheckoutId, requested, &checked))
            return err;
        const Rect probed = toRect(checked.max_result_rect);
        in.clampInto(probed);
        needed = in;
        sourceScale.pixelAspect = layerPixelAspect(checked.par);
        adaptor_.inputRect(adaptor_.sourceName(), &needed, probed, &sourceScale, &hostScale,
                           sourceScale);
        requestRect = needed;
    }
    if (int err = checkoutSource(kSourceCheckoutId, requestRect, &checked))
        return err;
    Rect maximum = toRect(checked.max_result_rect);
    sourceScale.pixelAspect = layerPixelAspect(checked.par);
    in.clampInto(maximum);

    if (!layers.empty()) {
        if (int err = negotiateLayers(layers, *extra, request, in, &sourceScale, &hostScale))
            return err;
    }

    Rect result = in;
    if (!result.empty()) {
        adaptor_.inputRect(adaptor_.outputName(), &result, maximum, &sourceScale, &hostScale,
                           sourceScale);
        adaptor_.inputRect(adaptor_.outputName(), &maximum, maximum, &sourceScale, &hostScale,
                           hostScale);
    }
    PF_PreRenderOutput* out = extra->output;
    out->max_result_rect = toHostRect(maximum);
    if (reachesOutside(result, requested))
        out->flags |= PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS;
    out->solid = 0;
    result.clampInto(maximum);
    out->result_rect = toHostRect(result);
    return PF_Err_NONE;
}

int RenderEntry::negotiateLayers(const std::vector<LayerInput>& layers, PF_PreRenderExtra& extra,
                                 PF_RenderRequest request, const Rect& in,
                                 ImageScale* sourceScale, ImageScale* hostScale)
{
    const PF_UtilCallbacks* utils = in_->utils;
    if (!utils || !utils->host_new_handle || !utils->host_dispose_handle ||
        !utils->host_lock_handle)
        return PF_Err_BAD_CALLBACK_PARAM;
    const std::uint64_t bytes = std::uint64_t{sizeof(LayerRecord)} * layers.size();
    if (bytes > std::numeric_limits<A_u_long>::max())
        return PF_Err_OUT_OF_MEMORY;
    PF_Handle handle = utils->host_new_handle(static_cast<A_u_long>(bytes));
    if (!handle)
        return PF_Err_OUT_OF_MEMORY;

    int err = PF_Err_NONE;
    {
        LockedHandle locked(utils, handle);
        auto* records = static_cast<unsigned char*>(locked.data());
        if (!records)
            err = PF_Err_OUT_OF_MEMORY;
        const CommandScale scale = commandScale(*in_);
        const int sourceWidth = truncateToInt(in_->width * scale.downsampleX);
        const int sourceHeight = truncateToInt(in_->height * scale.downsampleY);
        for (std::size_t i = 0; i < layers.size() && err == PF_Err_NONE; ++i) {
            const LayerInput& layer = layers[i];
            PF_CheckoutResult probe{};
            request.rect = PF_LRect{0, 0, 0, 0};
            err = extra.cb->checkout_layer(in_->effect_ref, layer.index,
                                           layer.index + kLayerProbeCheckoutIdBase, &request,
                                           in_->current_time, in_->time_step, in_->time_scale,
                                           &probe);
            if (err != PF_Err_NONE)
                break;
            const Rect extent = toRect(probe.max_result_rect);
            const int w2 = rectWidth(extent);
            const int h2 = rectHeight(extent);
            const double p2 = layerPixelAspect(probe.par);
            // The layer is centred on the effect's layer.
            const int ox = truncateToInt((static_cast<double>(sourceWidth) - w2) * 0.5);
            const int oy = truncateToInt((static_cast<double>(sourceHeight) - h2) * 0.5);
            Rect placed = extent;
            placed.offset(ox, oy);

            Rect needed = in;
            adaptor_.inputRect(layer.key, &needed, placed, sourceScale, hostScale,
                               ImageScale{p2, scale.downsampleX, scale.downsampleY, w2, h2});
            needed.clampInto(placed);

            LayerRecord record;
            record.valid = !extent.empty();
            record.originX = needed.left;
            record.originY = needed.top;
            record.fullWidth = w2;
            record.fullHeight = h2;
            record.pixelAspect = p2;
            std::memcpy(records + i * sizeof(LayerRecord), &record, sizeof(LayerRecord));

            Rect wanted = needed;
            wanted.offset(-ox, -oy);
            request.rect = toHostRect(wanted);
            PF_CheckoutResult checked{};
            err = extra.cb->checkout_layer(in_->effect_ref, layer.index, layer.index, &request,
                                           in_->current_time, in_->time_step, in_->time_scale,
                                           &checked);
        }
    }
    if (err != PF_Err_NONE) {
        utils->host_dispose_handle(handle);
        return err;
    }
    preRenderDataDisposer.store(utils->host_dispose_handle);
    extra.output->pre_render_data = handle;
    extra.output->delete_pre_render_data_func = disposePreRenderData;
    return PF_Err_NONE;
}

int RenderEntry::prepareLayers(const std::vector<LayerInput>& layers, PF_SmartRenderExtra& extra,
                               std::vector<LayerRecord>* records, StandInImages* standIns,
                               CheckedOutPixels* pixels)
{
    records->assign(layers.size(), LayerRecord{});
    {
        LockedHandle locked(in_->utils, static_cast<PF_Handle>(extra.input->pre_render_data));
        if (const auto* stored = static_cast<const unsigned char*>(locked.data())) {
            for (std::size_t i = 0; i < layers.size(); ++i)
                std::memcpy(&(*records)[i], stored + i * sizeof(LayerRecord), sizeof(LayerRecord));
        }
    }
    for (std::size_t i = 0; i < layers.size(); ++i) {
        LayerRecord& record = (*records)[i];
        PF_EffectWorld* world = nullptr;
        if (int err = pixels->checkOut(layers[i].index, &world))
            return err;
        if (!world) {
            world = standIns->make(record.fullWidth, record.fullHeight, extra.input->bitdepth);
            if (!world)
                return PF_Err_OUT_OF_MEMORY;
            record.originX = 0;
            record.originY = 0;
        }
        record.image = world;
    }
    return PF_Err_NONE;
}

int RenderEntry::smartRender()
{
    auto* extra = static_cast<PF_SmartRenderExtra*>(adaptor_.extraData());
    if (!in_ || !extra || !extra->input || !extra->cb)
        return PF_Err_BAD_CALLBACK_PARAM;
    CheckedOutPixels pixels(in_, extra->cb);
    PF_EffectWorld* source = nullptr;
    if (int err = pixels.checkOut(kSourceCheckoutId, &source))
        return err;
    if (!source)
        return PF_Err_NONE;
    const SourceRecord record{source->origin_x, source->origin_y,
                              scaledSize(in_->width, in_->downsample_x),
                              scaledSize(in_->height, in_->downsample_y)};

    PF_EffectWorld* output = nullptr;
    if (!extra->cb->checkout_output)
        return PF_Err_BAD_CALLBACK_PARAM;
    if (int err = extra->cb->checkout_output(in_->effect_ref, &output))
        return err;
    if (!output)
        return PF_Err_NONE;

    const std::vector<LayerInput> layers = layerInputs();
    CheckedOutControls controls(adaptor_, layers);
    if (controls.result() != PF_Err_NONE)
        return controls.result();

    std::vector<LayerRecord> records;
    StandInImages standIns(adaptor_, layers.size());
    if (int err = prepareLayers(layers, *extra, &records, &standIns, &pixels))
        return err;
    return dispatch(record, *source, extra->input->bitdepth, *output, records);
}

} // namespace quorvane
