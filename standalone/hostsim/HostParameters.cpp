// The controls the simulated host keeps: registration records, stored values, and the
// definitions handed to the plug-in.

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "SimulationImpl.h"

namespace quorvane::hostsim {

namespace {

double scaleOf(const PF_RationalScale& scale)
{
    return scale.den == 0 ? static_cast<double>(scale.num)
                          : static_cast<double>(scale.num) / static_cast<double>(scale.den);
}

PF_PixelFloat colourFrom8Bit(const PF_Pixel& pixel)
{
    return PF_PixelFloat{pixel.alpha / 255.0f, pixel.red / 255.0f, pixel.green / 255.0f,
                         pixel.blue / 255.0f};
}

A_u_char eightBit(double fraction)
{
    if (!(fraction > 0))
        return 0;
    return static_cast<A_u_char>(roundToHostInt(std::fmin(fraction, 1.0) * 255.0));
}

const char* kindName(PF_ParamType type)
{
    switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "integer slider";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "check box";
    case PF_Param_COLOR: return "colour";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "pop-up";
    case PF_Param_FLOAT_SLIDER: return "float slider";
    case PF_Param_GROUP_START: return "group start";
    case PF_Param_GROUP_END: return "group end";
    }
    return "unknown kind";
}

} // namespace

A_long roundToHostInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::round(v);
    if (r >= 2147483647.0)
        return std::numeric_limits<A_long>::max();
    if (r <= -2147483648.0)
        return std::numeric_limits<A_long>::min();
    return static_cast<A_long>(r);
}

void HostSimulation::Impl::resetParameters()
{
    registrations.clear();
    params.clear();
    params.resize(1);
    params[0].base.def.param_type = PF_Param_LAYER;
}

void HostSimulation::Impl::addRegistration(const PF_ParamDef& def)
{
    Registration record;
    record.def = def;
    record.name.assign(def.name, strnlen(def.name, sizeof def.name));
    if (def.param_type == PF_Param_POPUP && def.u.pd.namesptr)
        record.popupTexts = def.u.pd.namesptr;
    if (def.param_type == PF_Param_CHECKBOX && def.u.bd.nameptr)
        record.checkboxText = def.u.bd.nameptr;
    registrations.push_back(record);

    HostParameter parameter;
    parameter.base.def = def;
    parameter.base.def.change_flags = 0;
    if (def.param_type == PF_Param_COLOR)
        parameter.base.colour = colourFrom8Bit(def.u.cd.value);
    if (def.param_type == PF_Param_POINT)
        parameter.base.pointFromPercent = true;
    if (def.param_type == PF_Param_LAYER)
        parameter.base.def.u.ld = PF_LayerDef{};
    params.push_back(parameter);
}

void HostSimulation::Impl::finishRegistrations()
{
    // The plug-in's texts die with its command: point at the host's copies instead.
    for (std::size_t i = 0; i < registrations.size(); ++i) {
        Registration& record = registrations[i];
        PF_ParamDef& stored = params[i + 1].base.def;
        if (record.def.param_type == PF_Param_POPUP && record.def.u.pd.namesptr) {
            record.def.u.pd.namesptr = record.popupTexts.c_str();
            stored.u.pd.namesptr = record.popupTexts.c_str();
        }
        if (record.def.param_type == PF_Param_CHECKBOX && record.def.u.bd.nameptr) {
            record.def.u.bd.nameptr = record.checkboxText.c_str();
            stored.u.bd.nameptr = record.checkboxText.c_str();
        }
    }
}

void HostSimulation::Impl::checkIndex(PF_ParamIndex index) const
{
    if (index < 0 || index >= static_cast<PF_ParamIndex>(params.size()))
        throw std::out_of_range("no parameter at host index " + std::to_string(index));
}

void HostSimulation::Impl::checkKind(PF_ParamIndex index, PF_ParamType type,
                                     const char* what) const
{
    if (index < 1 || index >= static_cast<PF_ParamIndex>(params.size()))
        throw std::out_of_range("no control at host index " + std::to_string(index));
    const PF_ParamType actual = params[static_cast<std::size_t>(index)].base.def.param_type;
    if (actual != type)
        throw std::invalid_argument(std::string(what) + ": control " + std::to_string(index)
                                    + " is a " + kindName(actual));
}

bool HostSimulation::Impl::isLayerIndex(PF_ParamIndex index) const
{
    if (index == 0)
        return true;
    return index > 0 && index < static_cast<PF_ParamIndex>(params.size())
        && params[static_cast<std::size_t>(index)].base.def.param_type == PF_Param_LAYER;
}

ImageView HostSimulation::Impl::imageOfLayer(PF_ParamIndex index) const
{
    if (index == 0) {
        ImageView view = source;
        view.pixelAspect = settings.pixelAspect;
        return view;
    }
    return params[static_cast<std::size_t>(index)].layer;
}

const ValueSlot& HostSimulation::Impl::slotAt(PF_ParamIndex index, A_long time) const
{
    const HostParameter& parameter = params[static_cast<std::size_t>(index)];
    const auto found = parameter.atTime.find(time);
    return found == parameter.atTime.end() ? parameter.base : found->second;
}

ValueSlot& HostSimulation::Impl::writableSlot(PF_ParamIndex index, std::optional<A_long> frame)
{
    HostParameter& parameter = params[static_cast<std::size_t>(index)];
    if (!frame)
        return parameter.base;
    const A_long time = *frame * config.timeStep;
    return parameter.atTime.try_emplace(time, parameter.base).first->second;
}

PF_ParamDef HostSimulation::Impl::handOver(PF_ParamIndex index, A_long time) const
{
    const ValueSlot& slot = slotAt(index, time);
    PF_ParamDef def = slot.def;
    if (index == 0 || def.param_type == PF_Param_LAYER) {
        def.u.ld = worldFor(imageOfLayer(index));
    } else if (def.param_type == PF_Param_POINT) {
        const double x = slot.pointFromPercent
            ? (def.u.td.x_value / 65536.0) / 100.0 * settings.layerWidth : slot.pointX;
        const double y = slot.pointFromPercent
            ? (def.u.td.y_value / 65536.0) / 100.0 * settings.layerHeight : slot.pointY;
        def.u.td.x_value = roundToHostInt(x * scaleOf(settings.downsampleX) * 65536.0);
        def.u.td.y_value = roundToHostInt(y * scaleOf(settings.downsampleY) * 65536.0);
    }
    return def;
}

PF_PixelFloat HostSimulation::Impl::colourOf(const PF_ParamDef& def)
{
    const auto handed = checkedOut.find(&def);
    if (handed != checkedOut.end())
        return handed->second.colour;
    if (!arrayDefs.empty() && &def >= arrayDefs.data() && &def < arrayDefs.data() + arrayDefs.size())
        return slotAt(static_cast<PF_ParamIndex>(&def - arrayDefs.data()), currentTime()).colour;
    // A copy the host never saw: trust the stored colour only while the 8-bit value agrees.
    for (std::size_t i = 1; i < params.size(); ++i) {
        const ValueSlot& slot = slotAt(static_cast<PF_ParamIndex>(i), currentTime());
        if (slot.def.param_type == PF_Param_COLOR && slot.def.id == def.id
            && std::memcmp(&slot.def.u.cd.value, &def.u.cd.value, sizeof(PF_Pixel)) == 0)
            return slot.colour;
    }
    return colourFrom8Bit(def.u.cd.value);
}

void HostSimulation::Impl::takeOverChangedValues()
{
    for (std::size_t i = 1; i < arrayDefs.size() && i < params.size(); ++i) {
        const PF_ParamDef& changed = arrayDefs[i];
        if (!(changed.change_flags & PF_ChangeFlag_CHANGED_VALUE))
            continue;
        HostParameter& parameter = params[i];
        const auto atNow = parameter.atTime.find(currentTime());
        ValueSlot& slot = atNow == parameter.atTime.end() ? parameter.base : atNow->second;
        switch (slot.def.param_type) {
        case PF_Param_LAYER:
        case PF_Param_GROUP_START:
        case PF_Param_GROUP_END:
            break;
        case PF_Param_POINT:
            slot.pointFromPercent = false;
            slot.pointX = changed.u.td.x_value / 65536.0 / scaleOf(settings.downsampleX);
            slot.pointY = changed.u.td.y_value / 65536.0 / scaleOf(settings.downsampleY);
            break;
        case PF_Param_COLOR:
            slot.def.u.cd = changed.u.cd;
            slot.colour = colourFrom8Bit(changed.u.cd.value);
            break;
        default:
            slot.def.u = changed.u;
            break;
        }
    }
}

// ---- Public control API. ----

int HostSimulation::parameterCount() const
{
    return static_cast<int>(impl_->params.size());
}

const std::vector<Registration>& HostSimulation::registrations() const
{
    return impl_->registrations;
}

PF_ParamIndex HostSimulation::indexOfId(A_long id) const
{
    for (std::size_t i = 1; i < impl_->params.size(); ++i)
        if (impl_->params[i].base.def.id == id)
            return static_cast<PF_ParamIndex>(i);
    return -1;
}

PF_ParamDef HostSimulation::parameterAt(PF_ParamIndex index) const
{
    impl_->checkIndex(index);
    return impl_->handOver(index, impl_->currentTime());
}

PF_ParamDef HostSimulation::parameterAtFrame(PF_ParamIndex index, A_long frame) const
{
    impl_->checkIndex(index);
    return impl_->handOver(index, frame * impl_->config.timeStep);
}

void HostSimulation::setFloat(PF_ParamIndex index, double value, std::optional<A_long> frame)
{
    impl_->checkKind(index, PF_Param_FLOAT_SLIDER, "setFloat");
    impl_->writableSlot(index, frame).def.u.fs_d.value = value;
}

void HostSimulation::setAngle(PF_ParamIndex index, double degrees, std::optional<A_long> frame)
{
    impl_->checkKind(index, PF_Param_ANGLE, "setAngle");
    impl_->writableSlot(index, frame).def.u.ad.value = roundToHostInt(degrees * 65536.0);
}

void HostSimulation::setInt(PF_ParamIndex index, A_long value, std::optional<A_long> frame)
{
    impl_->checkIndex(index);
    switch (impl_->params[static_cast<std::size_t>(index)].base.def.param_type) {
    case PF_Param_SLIDER: impl_->writableSlot(index, frame).def.u.sd.value = value; break;
    case PF_Param_POPUP: impl_->writableSlot(index, frame).def.u.pd.value = value; break;
    case PF_Param_CHECKBOX: impl_->writableSlot(index, frame).def.u.bd.value = value; break;
    default: impl_->checkKind(index, PF_Param_SLIDER, "setInt"); break;
    }
}

void HostSimulation::setPoint(PF_ParamIndex index, double x, double y,
                              std::optional<A_long> frame)
{
    impl_->checkKind(index, PF_Param_POINT, "setPoint");
    ValueSlot& slot = impl_->writableSlot(index, frame);
    slot.pointFromPercent = false;
    slot.pointX = x;
    slot.pointY = y;
}

void HostSimulation::setColor(PF_ParamIndex index, double red, double green, double blue,
                              std::optional<A_long> frame)
{
    impl_->checkKind(index, PF_Param_COLOR, "setColor");
    ValueSlot& slot = impl_->writableSlot(index, frame);
    slot.def.u.cd.value = PF_Pixel{255, eightBit(red), eightBit(green), eightBit(blue)};
    slot.colour = PF_PixelFloat{1.0f, static_cast<float>(red), static_cast<float>(green),
                                static_cast<float>(blue)};
}

void HostSimulation::setLayerImage(PF_ParamIndex index, const ImageView& image)
{
    impl_->checkKind(index, PF_Param_LAYER, "setLayerImage");
    impl_->params[static_cast<std::size_t>(index)].layer = image;
}

bool HostSimulation::isDisabled(PF_ParamIndex index) const
{
    impl_->checkIndex(index);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return (impl_->params[static_cast<std::size_t>(index)].base.def.ui_flags & PF_PUI_DISABLED) != 0;
}

const std::vector<UiUpdate>& HostSimulation::uiUpdates() const
{
    return impl_->uiUpdates;
}

} // namespace quorvane::hostsim
