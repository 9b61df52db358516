#pragma once
// The control groups that glow, Spokewash and highlight share — selection (with its
// luminance, hue and saturation subgroups), channel weights and colour offset — defined once,
// greyed out by one set of rules, and read into the selection settings; and the blend-mode
// pop-up items. Written against the kind bases, so it serves the bound parameters and test
// doubles alike.

#include "image/HslSelection.h"
#include "parameters/ParameterDef.h"
#include "parameters/ParameterKinds.h"
#include "parameters/ParameterList.h"

namespace quorvane {

// Appends the 23 blend-mode items, in pop-up order (value = position).
void appendBlendModeItems(xChoiceDef& def);

// The controls of one range subgroup.
struct RangeControlRefs {
    xGroupBase& group;
    xFloatBase& start;      // 0..255
    xFloatBase& end;
    xFloatBase& peak;       // -1..1
    xFloatBase& softness;
    xAngleBase& offset;     // degrees
    xGroupEndBase& groupEnd;
};

// Every shared control, in user-interface order.
struct SharedControlRefs {
    xGroupBase& selectionGroup;
    xCheckboxBase& selectionEnable;
    xLayerBase& selectionLayer;
    RangeControlRefs luminance;
    RangeControlRefs hue;
    RangeControlRefs saturation;
    xGroupEndBase& selectionGroupEnd;
    xGroupBase& channelGroup;
    xCheckboxBase& channelEnable;
    xFloatBase& channelRed;
    xFloatBase& channelGreen;
    xFloatBase& channelBlue;
    xFloatBase& channelAlpha;
    xGroupEndBase& channelGroupEnd;
    xGroupBase& offsetGroup;
    xCheckboxBase& offsetEnable;
    xFloatBase& offsetHue;          // -1..1
    xFloatBase& offsetSaturation;
    xFloatBase& offsetLuminance;
    xGroupEndBase& offsetGroupEnd;
};

// The shared controls as members of an effect's parameter set, over the effect's control
// classes (the bound ones in a deliverable).
template <class Group, class GroupEnd, class Float, class Angle, class Checkbox, class Layer>
struct SharedControls {
    struct Range {
        Group group;
        Float start;
        Float end;
        Float peak;
        Float softness;
        Angle offset;
        GroupEnd groupEnd;

        RangeControlRefs refs() { return {group, start, end, peak, softness, offset, groupEnd}; }
    };

    Group selectionGroup;
    Checkbox selectionEnable;
    Layer selectionLayer;
    Range luminance;
    Range hue;
    Range saturation;
    GroupEnd selectionGroupEnd;
    Group channelGroup;
    Checkbox channelEnable;
    Float channelRed;
    Float channelGreen;
    Float channelBlue;
    Float channelAlpha;
    GroupEnd channelGroupEnd;
    Group offsetGroup;
    Checkbox offsetEnable;
    Float offsetHue;
    Float offsetSaturation;
    Float offsetLuminance;
    GroupEnd offsetGroupEnd;

    SharedControlRefs refs()
    {
        return {selectionGroup,   selectionEnable,  selectionLayer,   luminance.refs(),
                hue.refs(),       saturation.refs(), selectionGroupEnd, channelGroup,
                channelEnable,    channelRed,       channelGreen,     channelBlue,
                channelAlpha,     channelGroupEnd,  offsetGroup,      offsetEnable,
                offsetHue,        offsetSaturation, offsetLuminance,  offsetGroupEnd};
    }
};

// Where one effect's shared controls differ.
struct SharedControlOptions {
    int firstId = 0;                    // the selection group; the other 37 ids follow it
    bool selectionDefault = false;
    double luminanceStartDefault = 0;
    double offsetSliderMax = 255;       // the range-offset angles' slider, from 0
    int offsetPrecision = 3;
    bool spacedGroupLabels = false;     // "-> 通道 控制..." rather than "-> 通道控制..."

    static SharedControlOptions glow();        // ids 9 to 46
    static SharedControlOptions spokewash();   // ids 17 to 54
    static SharedControlOptions highlight();   // ids 8 to 45
};

constexpr int kSharedControlCount = 38;

// Assigns every shared control its definition and appends them to `list` in order.
void defineSharedControls(const SharedControlRefs& controls, xParameterList& list,
                          const SharedControlOptions& options);

// Greys the shared controls in or out for the effect's view (1 normal, 2 selected parts,
// 3 selection only) and their check boxes: channel weights and colour offsets need their
// check box and the normal view; the channel and offset group frames need the normal view;
// the selection layer and the three subgroups need the selection check box. The selection
// group's frame and check box are never greyed out. Returns the first error of setEnabled.
int enableSharedControls(const SharedControlRefs& controls, int view);

// The selection settings from the controls' current values.
HslSelectionParams readSelectionParams(const SharedControlRefs& controls, int view);

} // namespace quorvane
