#pragma once
// A simulated After Effects / Premiere Pro host. It drives a plug-in through its entry point
// exactly as the application would: it builds the command records, answers every callback the
// plug-in uses (parameters, host memory, progress, parallel iteration, string helpers, the two
// suites, layer and output check-outs), keeps the controls' values, and records and counts
// what the plug-in did so that tests can check it and the standalone `quorvane` command can
// render with it.
//
// Threads: commands are sent from one thread at a time; across all simulations of a process
// only one command runs at a time (the plain callbacks carry no context, so the running
// simulation is process-wide). Callbacks may be called from any thread during a command.
//
// Typical use:
//     std::string error;
//     auto library = PluginLibrary::load(path, error);          // or a linked EntryPointFunc
//     HostSimulation host(library->entryPoint(), config);
//     host.setUp();                                             // global, params, sequence
//     host.setFloat(host.indexOfId(3), 12.5);
//     HostImage source(w, h, 16), output(w, h, 16);
//     FrameRequest frame{source.view(), output.view()};
//     PF_Err err = host.renderFrame(frame);
//     host.setDown();
// and the counts (counters(), commandLog()) tell what the plug-in did.
//
// Errors: a plug-in's error is returned as the command's result. Misuse of this API (an index
// that does not exist, a value of the wrong kind, images that do not fit together) throws
// std::invalid_argument or std::out_of_range; nothing is thrown into the plug-in.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ae/AeInterface.h"
#include "hostsim/HandleAllocator.h"
#include "hostsim/HostImage.h"

namespace quorvane::hostsim {

// What the host says about itself. Fixed for the life of a simulation.
struct HostConfig {
    A_long applicationId = PF_ApplId_AfterEffects;   // or PF_ApplId_Premiere
    PF_SpecVersion specVersion{12, 5};               // 12.5: smart rendering; 12.4: legacy
    int hostThreads = 1;            // threads of iterate_generic; 0: the host offers none
    bool offerSuiteAccess = true;   // false: pica_basicP is null
    bool offerParamUtilsSuite = true;
    bool offerColorSuite = true;
    A_long timeStep = 1;            // the layer's frame duration in time units
    A_u_long timeScale = 30;        // time units per second
    A_long totalFrames = 1;         // the layer's duration in frames
    HandleAllocator* allocator = nullptr;   // null: defaultHandleAllocator()
};

// The layer and time the host describes in every command's in data.
struct FrameSettings {
    A_long layerWidth = 0;          // the effect layer at full resolution
    A_long layerHeight = 0;
    A_long frame = 0;               // current_time = frame x timeStep
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    PF_RationalScale pixelAspect{1, 1};
};

enum class RenderPath { Smart, Legacy };

// One frame for renderFrame. The images are at the render resolution (already downsampled);
// the layer's full-resolution size reported to the plug-in is the source size divided by the
// downsample factors.
struct FrameRequest {
    ImageView source;                 // the layer the effect is applied to
    ImageView output;                 // same size as the source; its depth is the render depth
    std::map<int, ImageView> layers;  // images of layer controls by host index; absent: none
    A_long frame = 0;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    PF_RationalScale pixelAspect{1, 1};
    RenderPath path = RenderPath::Smart;
    std::optional<PF_LRect> outputRequest;   // smart path; default the whole layer
};

// One add_param call as the host received it. Texts the definition pointed at are copied.
struct Registration {
    PF_ParamDef def{};              // as passed (pointers re-aimed at the copies below)
    std::string name;               // the name bytes up to the first zero byte
    std::string popupTexts;         // pop-up: the item texts as passed
    std::string checkboxText;       // check box: the text beside the box
};

// One checkout_layer call of a smart pre-render.
struct LayerCheckoutRecord {
    PF_ParamIndex index = 0;
    A_long checkoutId = 0;
    PF_LRect request{};
    A_long whatTime = 0;
    A_long timeStep = 0;
    A_u_long timeScale = 0;
    PF_Err result = PF_Err_NONE;
    PF_CheckoutResult answer{};     // what the host answered (valid when result is 0)
};

// One checkout_param call.
struct ParamCheckoutRecord {
    PF_ParamIndex index = 0;
    A_long whatTime = 0;
    A_long timeStep = 0;
    A_u_long timeScale = 0;
    PF_Err result = PF_Err_NONE;
};

// One PF_UpdateParamUI call of the parameter utilities suite.
struct UiUpdate {
    PF_Cmd command = 0;
    PF_ParamIndex index = 0;
    A_long uiFlags = 0;
    PF_ParamType type = PF_Param_LAYER;
};

// Running totals since the simulation was made (resetCounters sets them to 0).
struct Counters {
    long handlesAllocated = 0;      // successful host_new_handle
    long handlesDisposed = 0;
    long handleAllocationsFailed = 0;
    long handleLocks = 0;
    long handleUnlocks = 0;
    long paramsCheckedOut = 0;      // successful checkout_param
    long paramsCheckedIn = 0;
    long paramCheckoutsRefused = 0;
    long layersCheckedOut = 0;      // successful checkout_layer (pre-render)
    long layerCheckoutsRefused = 0;
    long layerPixelsCheckedOut = 0; // successful checkout_layer_pixels
    long layerPixelsCheckedIn = 0;
    long outputCheckouts = 0;
    long progressCalls = 0;
    long iterateCalls = 0;
    long suitesAcquired = 0;
    long suitesReleased = 0;
    long colourReads = 0;
    long sprintfCalls = 0;
    long strcpyCalls = 0;
    long registrations = 0;         // accepted add_param
    long protocolErrors = 0;        // calls the host rejected as malformed (see protocolLog)
};

// What one command left behind.
struct CommandRecord {
    PF_Cmd command = 0;
    PF_Err result = PF_Err_NONE;
    long handlesOutstanding = 0;    // allocated and not yet disposed, after the command
    long paramsOutstanding = 0;     // checked out and not checked in, after the command
    long suitesOutstanding = 0;     // acquired and not released, after the command
    long layerPixelsOutstanding = 0;
};

class HostSimulation {
public:
    // Drives `entry`, a plug-in's EntryPointFunc (loaded or linked in).
    explicit HostSimulation(PF_EntryPointFunc entry, HostConfig config = {});
    ~HostSimulation();
    HostSimulation(const HostSimulation&) = delete;
    HostSimulation& operator=(const HostSimulation&) = delete;

    const HostConfig& config() const;

    // ---- Commands. Each returns the plug-in's result. ----
    // PF_Cmd_ABOUT; the about text (return_msg) in *text.
    PF_Err about(std::string* text = nullptr);
    PF_Err globalSetup();
    // PF_Cmd_PARAMS_SETUP: forgets earlier registrations, records each add_param, then builds
    // the host's parameter array (index 0 the effect's layer, then the registrations in order)
    // with the registered defaults as values.
    PF_Err paramsSetup();
    PF_Err sequenceSetup();
    PF_Err sequenceSetdown();
    PF_Err globalSetdown();
    // PF_Cmd_USER_CHANGED_PARAM for host index `index`; values changed by the plug-in
    // (change flag set on an array entry) are taken over.
    PF_Err userChangedParam(PF_ParamIndex index);
    // PF_Cmd_UPDATE_PARAMS_UI with the current parameter array.
    PF_Err updateParamsUI();
    // Global, parameter and sequence set-up in turn, stopping at the first error.
    PF_Err setUp();
    // Sequence and global set-down in turn, stopping at the first error.
    PF_Err setDown();
    // Any command code with the parameter array, no output and the given extra pointer.
    PF_Err sendCommand(PF_Cmd command, void* extra = nullptr);

    // ---- One frame. ----
    // Smart path: pre-render, smart render (skipped when the result rectangle is empty), then
    // the pre-render data is released. Legacy path: frame set-up, render, frame set-down.
    // On success the output holds the layer rectangle [0, W) x [0, H) of the result
    // (transparent where the plug-in produced nothing); on failure the output is left as the
    // plug-in left it (untouched unless the plug-in wrote into it directly).
    // The request's images and frame settings replace the stored ones for the frame; the
    // source and layer images set before are restored afterwards (the settings stay).
    // Throws std::invalid_argument when the images do not fit together (sizes, depths, 32-bit
    // on the legacy path, a layer at a non-layer index).
    PF_Err renderFrame(const FrameRequest& request);
    // The steps of renderFrame's smart path, for tests that look between them.
    PF_Err smartPreRender(const FrameRequest& request);
    PF_Err smartRender();
    void finishFrame();   // releases the pre-render data through the plug-in's delete function
    // The last pre-render's output block, and the output world the last smart render handed
    // out (or the legacy output).
    const PF_PreRenderOutput& preRenderOutput() const;
    const PF_LayerDef& lastOutputWorld() const;

    // ---- The in data of the next commands. renderFrame sets these from its request. ----
    void setFrameSettings(const FrameSettings& settings);
    const FrameSettings& frameSettings() const;
    // The layer the effect is applied to (parameter 0), and the image of a layer control.
    // Views must stay valid while commands use them; an empty view means no layer.
    void setSourceImage(const ImageView& image);
    void setLayerImage(PF_ParamIndex index, const ImageView& image);
    // The out data every command starts from (zeros by default).
    void setOutDataTemplate(const PF_OutData& outData);
    const PF_OutData& lastOutData() const;

    // ---- Controls. Index = host index (1 .. parameterCount() - 1). ----
    int parameterCount() const;                       // including the effect's layer
    const std::vector<Registration>& registrations() const;
    // Host index of the control registered with `id`, or -1.
    PF_ParamIndex indexOfId(A_long id) const;
    // The definition the host would hand over now (at the current frame) or at a frame.
    PF_ParamDef parameterAt(PF_ParamIndex index) const;
    PF_ParamDef parameterAtFrame(PF_ParamIndex index, A_long frame) const;
    // Values, stored as the plug-in receives them. With `frame` the value holds at that frame
    // only; without, at every frame that has no value of its own.
    void setFloat(PF_ParamIndex index, double value, std::optional<A_long> frame = {});
    // Angle in degrees, stored as round(degrees x 65536).
    void setAngle(PF_ParamIndex index, double degrees, std::optional<A_long> frame = {});
    // Integer slider value, pop-up item (1-based) or check box (0/1).
    void setInt(PF_ParamIndex index, A_long value, std::optional<A_long> frame = {});
    // Point in pixels of the full-resolution layer; handed over as round(x x downsampleX x
    // 65536) at the render resolution.
    void setPoint(PF_ParamIndex index, double x, double y, std::optional<A_long> frame = {});
    // Colour as fractions: 8-bit components round(f x 255) and the float colour for the suite.
    void setColor(PF_ParamIndex index, double red, double green, double blue,
                  std::optional<A_long> frame = {});
    // Whether the UI flags of a control carry the disabled bit (set through the suite).
    bool isDisabled(PF_ParamIndex index) const;
    const std::vector<UiUpdate>& uiUpdates() const;

    // ---- Failure injection (each counts from the moment it is set). ----
    // The k-th host_new_handle from now (1 = the next) answers null; 0 cancels.
    void failAllocation(long k);
    // checkout_param of `index` answers `error`.
    void refuseParamCheckout(PF_ParamIndex index, PF_Err error = PF_Err_BAD_CALLBACK_PARAM);
    // checkout_layer (pre-render) with `checkoutId` answers `error`.
    void refuseLayerCheckout(A_long checkoutId, PF_Err error = PF_Err_BAD_CALLBACK_PARAM);
    // checkout_layer_pixels with `checkoutId` answers `error`.
    void refuseLayerPixels(A_long checkoutId, PF_Err error = PF_Err_BAD_CALLBACK_PARAM);
    void refuseOutputCheckout(PF_Err error = PF_Err_BAD_CALLBACK_PARAM);
    void clearRefusals();

    // ---- Progress. ----
    // Called on every progress call (on the plug-in's calling thread).
    void setProgressObserver(std::function<void(A_long done, A_long total)> observer);
    // From the k-th progress call from now on (1 = the next), progress answers 517; 0 cancels.
    void abortProgressAt(long k);
    // While *flag is true, progress answers 517 (a SIGINT handler may set it).
    void setInterruptFlag(const std::atomic<bool>* flag);

    // ---- Records and counts. ----
    Counters counters() const;
    void resetCounters();
    long handlesOutstanding() const;
    long paramsOutstanding() const;
    const std::vector<CommandRecord>& commandLog() const;
    // Check-outs since the last clearRecords (or frame start for layer check-outs).
    const std::vector<ParamCheckoutRecord>& paramCheckouts() const;
    const std::vector<LayerCheckoutRecord>& layerCheckouts() const;
    // Texts describing each rejected callback (bad handle, unknown check-out, ...).
    const std::vector<std::string>& protocolLog() const;
    void clearRecords();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace quorvane::hostsim
