#pragma once
// One plug-in library driven by the host simulation: loaded, set up (global, parameter and
// sequence set-up), rendered frame by frame, set down. Plug-in errors become PluginError,
// a render stopped by the interrupt flag becomes Interrupted.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "EffectLibraries.h"
#include "ImageBuffer.h"
#include "hostsim/HostSimulation.h"
#include "hostsim/PluginLibrary.h"

namespace quorvane {

struct HostSettings {
    A_long applicationId = PF_ApplId_AfterEffects;
    hostsim::RenderPath path = hostsim::RenderPath::Smart;
    int threads = 1;                        // 0: the host offers no parallel iteration
    long totalFrames = 1;                   // the layer's duration in frames
    hostsim::HandleAllocator* allocator = nullptr;
    const std::atomic<bool>* interrupt = nullptr;
    std::function<void(A_long done, A_long total)> progress;
};

// What `list` shows of a plug-in.
struct EffectIdentity {
    std::string displayName;   // from the about text: "QV Quadsoft"
    std::string matchName;     // from the property list beside the library, or empty
    std::string version;       // "1.2.7"
};

class EffectSession {
public:
    // Loads the library; UsageError when it is not a plug-in library.
    EffectSession(EffectLocation location, const HostSettings& settings);
    ~EffectSession();
    EffectSession(const EffectSession&) = delete;
    EffectSession& operator=(const EffectSession&) = delete;

    const EffectLocation& location() const { return location_; }
    hostsim::HostSimulation& host() { return *host_; }

    // Global, parameter and sequence set-up; the controls are known afterwards.
    void setUp();
    const std::vector<ControlInfo>& controls() const { return controls_; }
    // The about text in UTF-8, lines separated by line feeds.
    std::string about();
    EffectIdentity identity();

    // Renders one frame; throws Interrupted when the interrupt flag stopped it and PluginError
    // for any other error of the plug-in.
    void render(const hostsim::FrameRequest& request);
    // Sequence and global set-down (also done by the destructor, errors ignored there).
    void setDown();

private:
    void check(PF_Err result);

    EffectLocation location_;
    const std::atomic<bool>* interrupt_;
    std::unique_ptr<hostsim::PluginLibrary> library_;
    std::unique_ptr<hostsim::HostSimulation> host_;
    std::vector<ControlInfo> controls_;
    bool setUp_ = false;
};

// The host's view of one of our images, of the given pixel aspect ratio.
hostsim::ImageView hostView(ImageBuffer& image, PF_RationalScale pixelAspect = {1, 1});

// The application id for --host: "aftereffects" 'FXTC', "premiere" 'PrMr'.
A_long applicationIdNamed(const std::string& name);

} // namespace quorvane
