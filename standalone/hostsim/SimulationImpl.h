#pragma once
// Inner state of HostSimulation, shared by its source files (not part of the public API).

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "hostsim/HostSimulation.h"
#include "hostsim/HostThreads.h"

namespace quorvane::hostsim {

// One stored value of a control: the definition as handed over, except that a point keeps its
// position in full-resolution pixels (or its registered percentage) until the moment of
// hand-over, when the render resolution is known.
struct ValueSlot {
    PF_ParamDef def{};
    PF_PixelFloat colour{};         // colour controls: what the colour suite answers
    bool pointFromPercent = false;  // point still at its registered percentage (def.u.td)
    double pointX = 0.0;            // full-resolution layer pixels otherwise
    double pointY = 0.0;
};

struct HostParameter {
    ValueSlot base;                       // the value at every time without its own
    std::map<A_long, ValueSlot> atTime;   // values at single times
    ImageView layer;                      // layer controls: the chosen layer's image
};

// What the host remembers about a definition it filled in for the plug-in.
struct HandedOver {
    PF_ParamIndex index = 0;
    PF_PixelFloat colour{};
};

struct HandleRecord {
    void* block = nullptr;
    std::size_t bytes = 0;
    int locks = 0;
};

// A source or layer area checked out in the pre-render, by check-out id.
struct LayerArea {
    PF_ParamIndex index = 0;
    PF_LRect rect{};
    PF_RationalScale pixelAspect{1, 1};
};

struct HostSimulation::Impl {
    Impl(PF_EntryPointFunc entry, HostConfig config);
    ~Impl();

    // Commands.
    PF_Err send(PF_Cmd command, bool withParams, PF_LayerDef* output, void* extra);
    PF_InData makeInData();
    void buildParamArray();
    void takeOverChangedValues();
    A_long currentTime() const { return settings.frame * config.timeStep; }

    // Parameters (HostParameters.cpp).
    void resetParameters();
    void addRegistration(const PF_ParamDef& def);
    void finishRegistrations();
    const ValueSlot& slotAt(PF_ParamIndex index, A_long time) const;
    ValueSlot& writableSlot(PF_ParamIndex index, std::optional<A_long> frame);
    PF_ParamDef handOver(PF_ParamIndex index, A_long time) const;
    PF_PixelFloat colourOf(const PF_ParamDef& def);
    void checkIndex(PF_ParamIndex index) const;
    void checkKind(PF_ParamIndex index, PF_ParamType type, const char* what) const;
    ImageView imageOfLayer(PF_ParamIndex index) const;
    bool isLayerIndex(PF_ParamIndex index) const;

    // Frames (HostSimulation.cpp).
    void validate(const FrameRequest& request) const;
    void beginFrame(const FrameRequest& request);
    void endFrame();
    void prepareOutputWorld();
    void deliverOutput();

    // Bookkeeping; callers hold `mutex`.
    void protocolError(const std::string& text);

    PF_EntryPointFunc entry;
    HostConfig config;
    HandleAllocator* allocator;
    std::unique_ptr<HostThreads> threads;
    PF_UtilCallbacks utils{};

    FrameSettings settings;
    ImageView source;
    PF_OutData outTemplate{};
    PF_OutData lastOut{};
    PF_Cmd currentCommand = -1;
    bool registering = false;

    std::vector<Registration> registrations;
    std::vector<HostParameter> params;      // index 0: the effect's layer
    std::vector<PF_ParamDef> arrayDefs;     // the parameter array of the running command
    std::vector<PF_ParamDef*> arrayPointers;

    // Everything below may be touched by callbacks on any thread: guarded by `mutex`.
    mutable std::mutex mutex;
    Counters counters;
    std::unordered_set<HandleRecord*> liveHandles;
    std::multimap<const PF_ParamDef*, HandedOver> checkedOut;
    long suitesHeld[2] = {0, 0};
    long allocationCountdown = 0;
    long progressCountdown = 0;
    bool progressAborted = false;
    const std::atomic<bool>* interruptFlag = nullptr;
    std::shared_ptr<const std::function<void(A_long, A_long)>> progressObserver;
    std::map<PF_ParamIndex, PF_Err> refusedParams;
    std::map<A_long, PF_Err> refusedLayers;
    std::map<A_long, PF_Err> refusedPixels;
    std::optional<PF_Err> refusedOutput;
    std::vector<CommandRecord> commandLog;
    std::vector<ParamCheckoutRecord> paramCheckouts;
    std::vector<LayerCheckoutRecord> layerCheckouts;
    std::vector<std::string> protocolLog;
    std::vector<UiUpdate> uiUpdates;

    // The frame in progress.
    FrameRequest frame;
    std::map<int, ImageView> savedLayers;
    ImageView savedSource;
    bool frameOpen = false;
    PF_PreRenderInput preRenderInput{};
    PF_PreRenderOutput preRenderOutput{};
    bool preRenderDataPending = false;
    std::map<A_long, LayerArea> areas;
    std::map<A_long, PF_EffectWorld> pixelWorlds;
    std::set<A_long> pixelsOut;
    HostImage internalOutput;
    bool outputIsInternal = false;
    PF_LayerDef outputWorld{};
};

// The simulation whose command is running (process-wide: the callbacks carry no context).
HostSimulation::Impl* activeSimulation();
void setActiveSimulation(HostSimulation::Impl* impl);
// The callback tables the in data points at.
PF_InteractCallbacks interactCallbacks();
PF_UtilCallbacks utilCallbacks(bool withIteration);
SPBasicSuite* basicSuite();
PF_PreRenderCallbacks* preRenderCallbacks();
PF_SmartRenderCallbacks* smartRenderCallbacks();
PF_ProgPtr effectRefOf(HostSimulation::Impl* impl);

// Saturating round to a 32-bit host integer; NaN gives 0.
A_long roundToHostInt(double v);

} // namespace quorvane::hostsim
