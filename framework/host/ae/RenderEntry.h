#pragma once
// The render entry: turns the legacy render command and the smart pre-render / smart render
// pair into one call of the effect's render8, render16 or renderFloat, negotiates the
// rectangles the effect needs, and checks every control and layer in again on every path.
//
// Pre-render data: one LayerRecord per extra layer input, in a host handle handed to the host
// with a deletion callback. The host owns it from then on and calls the callback once it is
// done with the frame, so nothing leaks when the smart render never comes; the smart render
// only reads it. A pre-render that fails disposes of the handle itself.

#include <string>
#include <vector>

#include "host/ae/AeInterface.h"
#include "host/ae/AfterEffectsHost.h"

namespace quorvane {

// What the pre-render learns about one extra layer input, read back by the smart render.
struct LayerRecord {
    bool valid = false;          // the layer has a non-empty maximum rectangle
    int originX = 0;             // checked-out area in the effect layer's coordinates
    int originY = 0;
    int fullWidth = 0;           // size of the layer's maximum rectangle
    int fullHeight = 0;
    double pixelAspect = 1.0;
    PF_EffectWorld* image = nullptr;   // filled by the render command
};

// Where the source buffer sits and how large the whole source is.
struct SourceRecord {
    int originX = 0;
    int originY = 0;
    int fullWidth = 0;
    int fullHeight = 0;
};

// Check-out ids the pre-render uses for the source and the layer probes.
constexpr A_long kSourceProbeCheckoutId = 9999;
constexpr A_long kSourceCheckoutId = 0;
constexpr A_long kLayerProbeCheckoutIdBase = 10000;

class CheckedOutPixels;
class StandInImages;

// Disposes of a pre-render data handle; registered with the host as the deletion callback.
void disposePreRenderData(void* preRenderData);

class RenderEntry {
public:
    explicit RenderEntry(AfterEffectsHost& adaptor);

    int legacyRender();
    int smartPreRender();
    int smartRender();

    struct LayerInput {
        int index;
        std::string key;
    };

private:
    std::vector<LayerInput> layerInputs();
    int dispatch(const SourceRecord& record, const PF_LayerDef& source, int depth,
                 const PF_LayerDef& output, const std::vector<LayerRecord>& layers);
    int negotiateLayers(const std::vector<LayerInput>& layers, PF_PreRenderExtra& extra,
                        PF_RenderRequest request, const Rect& in, ImageScale* sourceScale,
                        ImageScale* hostScale);
    int prepareLayers(const std::vector<LayerInput>& layers, PF_SmartRenderExtra& extra,
                      std::vector<LayerRecord>* records, StandInImages* standIns,
                      CheckedOutPixels* pixels);

    AfterEffectsHost& adaptor_;
    PF_InData* in_;
};

} // namespace quorvane
