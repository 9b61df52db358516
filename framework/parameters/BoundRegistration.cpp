#include "parameters/BoundRegistration.h"

#include <algorithm>
#include <limits>
#include <string>

#include "host/ae/AeConversions.h"
#include "host/ae/AfterEffectsHost.h"
#include "parameters/BoundParameters.h"

namespace quorvane {

namespace {

constexpr float kCurveTolerance = 0.05f;
constexpr int kAlphaPrecision = 3;
constexpr const char* kAlphaSuffix = "(alpha)";
constexpr const char* kChoiceSeparator = "| ";

// The host's name field holds 31 bytes and a zero. A longer label is cut at a character
// boundary (GBK characters take two bytes, the first of them 0x81 or above).
std::string fittedHostName(const std::string& label)
{
    constexpr std::size_t capacity = sizeof(PF_ParamDef{}.name) - 1;
    std::size_t end = 0;
    while (end < label.size()) {
        const std::size_t width = static_cast<unsigned char>(label[end]) >= 0x81 ? 2 : 1;
        if (end + width > capacity)
            break;
        end += width;
    }
    return label.substr(0, std::min(end, label.size()));
}

std::string joinedItems(const std::vector<std::string>& items)
{
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            joined += kChoiceSeparator;
        joined += items[i];
    }
    return joined;
}

A_short clampToShort(std::size_t v)
{
    return static_cast<A_short>(std::min<std::size_t>(v, std::numeric_limits<A_short>::max()));
}

A_short clampToShort(int v)
{
    return static_cast<A_short>(std::clamp<int>(v, std::numeric_limits<A_short>::min(),
                                                std::numeric_limits<A_short>::max()));
}

// A cleared host definition carrying the flags every kind shares.
PF_ParamDef clearedDefinition(const xParameterDef& d)
{
    PF_ParamDef host{};
    if (!d.animatable)
        host.flags |= PF_ParamFlag_CANNOT_TIME_VARY;
    if (d.supervised)
        host.flags |= PF_ParamFlag_SUPERVISE;
    if (d.startCollapsed)
        host.flags |= PF_ParamFlag_COLLAPSE_TWIRLY;
    if (!d.enabled)
        host.ui_flags |= PF_PUI_DISABLED;
    host.id = d.id;
    return host;
}

void fillFloatSlider(PF_ParamDef& host, double validMin, double validMax, double sliderMin,
                     double sliderMax, double defaultValue, int precision, int displayFlags)
{
    host.param_type = PF_Param_FLOAT_SLIDER;
    host.u.fs_d.valid_min = toSinglePrecision(validMin);
    host.u.fs_d.valid_max = toSinglePrecision(validMax);
    host.u.fs_d.slider_min = toSinglePrecision(sliderMin);
    host.u.fs_d.slider_max = toSinglePrecision(sliderMax);
    host.u.fs_d.dephault = toSinglePrecision(defaultValue);
    host.u.fs_d.value = host.u.fs_d.dephault;
    host.u.fs_d.precision = clampToShort(precision);
    host.u.fs_d.display_flags = static_cast<A_short>(displayFlags);
    host.u.fs_d.curve_tolerance = kCurveTolerance;
}

class Registrar {
public:
    explicit Registrar(AfterEffectsHost& adaptor) : in_(adaptor.inData()) {}

    // Adds one definition at the end of the host's list.
    int add(PF_ParamDef& host)
    {
        if (!in_->inter.add_param)
            return PF_Err_BAD_CALLBACK_PARAM;
        const PF_Err err = in_->inter.add_param(in_->effect_ref, -1, &host);
        if (err == PF_Err_NONE)
            ++count_;
        return err;
    }

    int setName(PF_ParamDef& host, const std::string& label)
    {
        if (!in_->utils || !in_->utils->ansi.strcpy)
            return PF_Err_BAD_CALLBACK_PARAM;
        const std::string fitted = fittedHostName(label);
        in_->utils->ansi.strcpy(host.name, fitted.c_str());
        return PF_Err_NONE;
    }

    // Sets the name and adds the definition.
    int addNamed(PF_ParamDef& host, const std::string& label)
    {
        const int err = setName(host, label);
        return err != PF_Err_NONE ? err : add(host);
    }

    int count() const { return count_; }

private:
    PF_InData* in_;
    int count_ = 0;
};

int registerColour(Registrar& registrar, const xRGBADef& d, PF_ParamDef host)
{
    host.param_type = PF_Param_COLOR;
    PF_Pixel colour{255, toChannel<A_u_char>(255.0 * d.red), toChannel<A_u_char>(255.0 * d.green),
                    toChannel<A_u_char>(255.0 * d.blue)};
    host.u.cd.value = colour;
    host.u.cd.dephault = colour;
    const int err = registrar.addNamed(host, d.label);
    if (err != PF_Err_NONE || d.alphaId <= 0)
        return err;
    // The alpha slider keeps the colour's flags.
    PF_ParamDef alpha = host;
    alpha.u = {};
    alpha.id = d.alphaId;
    fillFloatSlider(alpha, 0, 1, 0, 1, d.alphaDefault, kAlphaPrecision, 0);
    return registrar.addNamed(alpha, d.label + kAlphaSuffix);
}

int registerOne(Registrar& registrar, xParameterBase* parameter)
{
    const xParameterDef& base = parameter->definition();
    PF_ParamDef host = clearedDefinition(base);
    if (dynamic_cast<xGroupBase*>(parameter)) {
        host.param_type = PF_Param_GROUP_START;
        return registrar.addNamed(host, base.label);
    }
    if (dynamic_cast<xGroupEndBase*>(parameter)) {
        host.param_type = PF_Param_GROUP_END;
        return registrar.add(host);
    }
    if (auto* p = dynamic_cast<xRGBABase*>(parameter))
        return registerColour(registrar, p->def, host);
    if (auto* p = dynamic_cast<xIntSliderBase*>(parameter)) {
        const xIntSliderDef& d = p->def;
        host.param_type = PF_Param_SLIDER;
        host.u.sd.value = d.defaultValue;
        host.u.sd.dephault = d.defaultValue;
        host.u.sd.valid_min = d.validMin;
        host.u.sd.valid_max = d.validMax;
        host.u.sd.slider_min = d.sliderMin;
        host.u.sd.slider_max = d.sliderMax;
        return registrar.addNamed(host, d.label);
    }
    if (auto* p = dynamic_cast<xFloatBase*>(parameter)) {
        const xFloatDef& d = p->def;
        const int display = (d.displayAsPixels ? PF_ValueDisplayFlag_PIXEL : 0) |
                            (d.displayAsPercent ? PF_ValueDisplayFlag_PERCENT : 0);
        fillFloatSlider(host, d.validMin, d.validMax, d.sliderMin, d.sliderMax, d.defaultValue,
                        d.precision, display);
        return registrar.addNamed(host, d.label);
    }
    if (auto* p = dynamic_cast<xAngleBase*>(parameter)) {
        host.param_type = PF_Param_ANGLE;
        host.u.ad.value = fixedFromDouble(p->def.defaultValue);
        host.u.ad.dephault = host.u.ad.value;
        return registrar.addNamed(host, p->def.label);
    }
    if (auto* p = dynamic_cast<xCheckboxBase*>(parameter)) {
        host.param_type = PF_Param_CHECKBOX;
        host.u.bd.value = p->def.defaultValue ? 1 : 0;
        host.u.bd.dephault = p->def.defaultValue ? 1 : 0;
        host.u.bd.nameptr = "";
        return registrar.addNamed(host, p->def.label);
    }
    if (auto* p = dynamic_cast<xChoiceBase*>(parameter)) {
        const std::string items = joinedItems(p->def.items);
        host.param_type = PF_Param_POPUP;
        host.u.pd.num_choices = clampToShort(p->def.items.size());
        host.u.pd.dephault = clampToShort(p->def.defaultValue);
        host.u.pd.value = p->def.defaultValue;
        host.u.pd.namesptr = items.c_str();
        return registrar.addNamed(host, p->def.label);
    }
    if (auto* p = dynamic_cast<xLayerBase*>(parameter)) {
        host.param_type = PF_Param_LAYER;
        host.u.ld.dephault = PF_LayerDefault_NONE;
        return registrar.addNamed(host, p->def.label);
    }
    if (auto* p = dynamic_cast<xPoint2dBase*>(parameter)) {
        // Percent of the layer size in 16.16 fixed point.
        host.param_type = PF_Param_POINT;
        host.u.td.x_value = fixedFromDouble(truncateToInt(p->def.x * 100.0));
        host.u.td.y_value = fixedFromDouble(truncateToInt(p->def.y * 100.0));
        host.u.td.x_dephault = host.u.td.x_value;
        host.u.td.y_dephault = host.u.td.y_value;
        host.u.td.restrict_bounds = p->def.restrictToBounds ? 1 : 0;
        return registrar.addNamed(host, p->def.label);
    }
    return PF_Err_NONE;
}

} // namespace

int registerParameters(AfterEffectsHost& adaptor)
{
    Registrar registrar(adaptor);
    for (xParameterBase* parameter : *adaptor.parameters()) {
        if (!dynamic_cast<xParameterBaseAE*>(parameter) || parameter->definition().hidden)
            continue;
        const int err = registerOne(registrar, parameter);
        if (err != PF_Err_NONE)
            return err;
    }
    adaptor.outData()->num_params = registrar.count() + 1;
    return PF_Err_NONE;
}

} // namespace quorvane
