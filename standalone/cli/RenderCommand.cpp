#include "RenderCommand.h"

#include <chrono>
#include <cstdio>
#include <sys/stat.h>

#include "CommandErrors.h"
#include "ControlValues.h"
#include "EffectSession.h"
#include "FileSamples.h"
#include "FrameSequence.h"
#include "HandlePool.h"
#include "ImageFile.h"
#include "Interrupt.h"
#include "PendingOutput.h"
#include "ProgressBar.h"
#include "RenderSettings.h"
#include "SampleFrame.h"

namespace quorvane {

namespace {

struct Assignment {
    std::string name;
    std::string value;
};

Assignment splitAssignment(const std::string& text, const char* option, const char* what)
{
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw UsageError(std::string(option) + " " + text + ": expected NAME=" + what);
    return {text.substr(0, equals), text.substr(equals + 1)};
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Reads `path` into `image` at `depth`, converting when the file has another depth.
void readAtDepth(const std::string& path, int depth, ImageBuffer& image, ImageBuffer& scratch)
{
    readImage(path, scratch);
    if (scratch.depth() == depth)
        std::swap(image, scratch);
    else
        image = convertDepth(scratch, depth);
}

struct LayerInput {
    const ControlInfo* control;
    FramePattern file;
    ImageBuffer image;
};

class RenderJob {
public:
    explicit RenderJob(const RenderOptions& options) : options_(options), output_(options.output) {}
    int run();

private:
    void planFrames();
    void chooseDepth();
    void checkPathAndDepth() const;
    void applySettings(EffectSession& session);
    void renderFrame(EffectSession& session, long frame, std::size_t position);
    void loadInput(long frame);
    std::string describeFrame(long frame) const;

    const RenderOptions& options_;
    EffectLocation location_;
    FramePattern output_;
    std::optional<FramePattern> input_;
    std::vector<long> frames_;
    bool sequence_ = false;
    Downsample downsample_;
    PF_RationalScale pixelAspect_{1, 1};
    hostsim::RenderPath path_ = hostsim::RenderPath::Smart;
    int depth_ = 8;
    long scratchFrame_ = -1;   // the frame scratch_ holds, read ahead to learn the depth
    ImageBuffer source_, result_, scratch_;
    std::vector<LayerInput> layers_;
    std::unique_ptr<ProgressBar> progress_;
};

void RenderJob::planFrames()
{
    if (!options_.input.empty())
        input_.emplace(options_.input);
    sequence_ = !options_.frames.empty();
    if (!sequence_) {
        if (output_.hasPattern() || (input_ && input_->hasPattern()))
            throw UsageError("a file name has a frame pattern (#### or %04d): say which frames with --frames");
        if (!options_.shard.empty())
            throw UsageError("--shard splits a frame range: give --frames too");
        if (options_.skipExisting && exists(options_.output))
            frames_.clear();
        else
            frames_ = {0};
        return;
    }
    if (!output_.hasPattern())
        throw UsageError("--frames needs a frame pattern in the output name (#### or %04d), such as out.####.png");
    frames_ = parseFrameList(options_.frames);
    if (!options_.shard.empty())
        frames_ = shardOf(frames_, options_.shard);
}

// The render depth: --depth, else the input's; the sample frame renders at 8 bits, or in
// float when the output is EXR (which holds nothing else).
void RenderJob::chooseDepth()
{
    if (input_) {
        readImage(input_->forFrame(frames_.front()), scratch_);
        scratchFrame_ = frames_.front();
        depth_ = options_.depth.value_or(scratch_.depth());
    } else {
        const auto format = formatFromExtension(options_.output);
        depth_ = options_.depth.value_or(format == ImageFormat::Exr ? 32 : 8);
    }
}

void RenderJob::checkPathAndDepth() const
{
    if (const std::string problem = outputProblem(options_.output, depth_); !problem.empty())
        throw UsageError(problem);
    if (path_ == hostsim::RenderPath::Legacy && depth_ == 32)
        throw UsageError("the legacy render has no float pixels: use --depth 8 or 16, or --render smart");
}

// The source of a frame at the render depth; a still input or the sample frame is read once.
void RenderJob::loadInput(long frame)
{
    if (!input_) {
        if (source_.empty())
            source_ = sampleFrame(depth_);
        return;
    }
    if (!source_.empty() && !input_->hasPattern())
        return;
    if (scratchFrame_ != frame)
        readImage(input_->forFrame(frame), scratch_);
    scratchFrame_ = -1;
    if (scratch_.depth() == depth_)
        std::swap(source_, scratch_);
    else
        source_ = convertDepth(scratch_, depth_);
}

void RenderJob::applySettings(EffectSession& session)
{
    const int layerWidth = source_.width() * downsample_.x;
    const int layerHeight = source_.height() * downsample_.y;
    std::vector<std::string> warnings;
    for (const std::string& text : options_.sets) {
        const Assignment a = splitAssignment(text, "--set", "VALUE");
        const ControlInfo& control = findControl(session.controls(), a.name, location_.name);
        const ParsedValue value = parseControlValue(control, a.value, layerWidth, layerHeight, warnings);
        applyControlValue(session.host(), control, value);
    }
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "quorvane: warning: %s\n", warning.c_str());
    for (const std::string& text : options_.layers) {
        const Assignment a = splitAssignment(text, "--layer", "FILE");
        const ControlInfo& control = findControl(session.controls(), a.name, location_.name);
        if (control.kind != ControlKind::Layer)
            throw UsageError("--layer " + a.name + ": " + displayName(control) +
                             " is not a layer control (give its value with --set)");
        if (a.value.empty())
            continue;
        layers_.push_back({&control, FramePattern(a.value), ImageBuffer()});
    }
}

std::string RenderJob::describeFrame(long frame) const
{
    return sequence_ ? " on frame " + std::to_string(frame) : std::string();
}

void RenderJob::renderFrame(EffectSession& session, long frame, std::size_t position)
{
    loadInput(frame);
    hostsim::FrameRequest request;
    for (LayerInput& layer : layers_) {
        if (layer.file.hasPattern() || layer.image.empty())
            readAtDepth(layer.file.forFrame(frame), depth_, layer.image, scratch_);
        request.layers[layer.control->index] = hostView(layer.image, pixelAspect_);
    }
    result_.reshape(source_.width(), source_.height(), depth_);
    request.source = hostView(source_, pixelAspect_);
    request.output = hostView(result_, pixelAspect_);
    request.frame = static_cast<A_long>(frame);
    request.downsampleX = {1, static_cast<A_u_long>(downsample_.x)};
    request.downsampleY = {1, static_cast<A_u_long>(downsample_.y)};
    request.pixelAspect = pixelAspect_;
    request.path = path_;
    progress_->start(sequence_ ? location_.name + " frame " + std::to_string(position + 1) + "/" +
                                     std::to_string(frames_.size())
                               : location_.name);
    try {
        session.render(request);
    } catch (const PluginError& e) {
        progress_->clear();
        throw PluginError(location_.name, e.code(), describeFrame(frame));
    } catch (...) {
        progress_->clear();
        throw;
    }
    progress_->clear();
    if (interrupted())
        throw Interrupted();
    const std::string target = output_.forFrame(frame);
    PendingOutput pending(target);
    writeImageAs(pending.temporaryPath(), *formatFromExtension(target), result_, target);
    if (interrupted())
        throw Interrupted();
    pending.commit();
}

int RenderJob::run()
{
    location_ = resolveEffect(options_.effect);
    downsample_ = parseDownsample(options_.downsample);
    pixelAspect_ = parsePixelAspect(options_.pixelAspect);
    if (options_.render != "smart" && options_.render != "legacy")
        throw UsageError("unknown --render '" + options_.render + "' (smart or legacy)");
    path_ = options_.render == "smart" ? hostsim::RenderPath::Smart : hostsim::RenderPath::Legacy;
    const A_long application = applicationIdNamed(options_.host);
    planFrames();
    if (frames_.empty()) {
        std::fprintf(stderr, "quorvane: %s: nothing to render\n", options_.output.c_str());
        return kExitSuccess;
    }
    chooseDepth();
    checkPathAndDepth();
    loadInput(frames_.front());
    checkImageSize(std::int64_t{source_.width()} * downsample_.x, std::int64_t{source_.height()} * downsample_.y,
                   "the full-resolution layer");

    progress_ = std::make_unique<ProgressBar>(!options_.quiet);
    HandlePool pool;
    HostSettings settings;
    settings.applicationId = application;
    settings.path = path_;
    settings.threads = options_.threads;
    settings.totalFrames = frames_.back() + 1;
    settings.allocator = &pool;
    settings.interrupt = &interruptFlag();
    settings.progress = [this](A_long done, A_long total) { progress_->update(done, total); };
    EffectSession session(location_, settings);
    session.setUp();
    applySettings(session);

    const auto start = std::chrono::steady_clock::now();
    long rendered = 0, skipped = 0;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (interrupted())
            throw Interrupted();
        if (sequence_ && options_.skipExisting && exists(output_.forFrame(frames_[i]))) {
            ++skipped;
            continue;
        }
        renderFrame(session, frames_[i], i);
        ++rendered;
    }
    session.setDown();
    if (sequence_) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "quorvane: %s: %ld frame%s rendered, %ld skipped, in %.1f s (%.2f s a frame)\n",
                     location_.name.c_str(), rendered, rendered == 1 ? "" : "s", skipped, seconds,
                     rendered ? seconds / static_cast<double>(rendered) : 0.0);
    }
    return kExitSuccess;
}

} // namespace

int runRender(const RenderOptions& options)
{
    RenderJob job(options);
    return job.run();
}

} // namespace quorvane
