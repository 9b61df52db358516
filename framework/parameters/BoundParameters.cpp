#include "parameters/BoundParameters.h"

#include "host/ae/AeConversions.h"
#include "host/ae/AfterEffectsHost.h"
#include "host/ae/ControlChangeClock.h"
#include "host/ae/SuiteCache.h"

namespace quorvane {

namespace {

// Layer controls read as unconnected this long after a control change.
constexpr std::int64_t kLayerSettleMilliseconds = 300;

// A parameter checked out at some time, checked in again when the scope ends.
class CheckedOutParameter {
public:
    CheckedOutParameter(AfterEffectsHost* adaptor, int index, A_long time, A_long timeStep,
                        A_u_long timeScale)
        : in_(adaptor ? adaptor->inData() : nullptr)
    {
        // Index 0 is the effect's own layer, never a control.
        if (!in_ || index < 1 || !in_->inter.checkout_param)
            return;
        ok_ = in_->inter.checkout_param(in_->effect_ref, index, time, timeStep, timeScale,
                                        &copy_) == PF_Err_NONE;
    }
    ~CheckedOutParameter()
    {
        if (ok_ && in_->inter.checkin_param)
            in_->inter.checkin_param(in_->effect_ref, &copy_);
    }
    CheckedOutParameter(const CheckedOutParameter&) = delete;
    CheckedOutParameter& operator=(const CheckedOutParameter&) = delete;

    // Null when the host refused.
    PF_ParamDef* get() { return ok_ ? &copy_ : nullptr; }

private:
    PF_InData* in_;
    PF_ParamDef copy_{};
    bool ok_ = false;
};

// Checked out at `frame`: time = integer part of local time step x frame.
class ParameterAtFrame : public CheckedOutParameter {
public:
    ParameterAtFrame(AfterEffectsHost* adaptor, int index, double frame)
        : CheckedOutParameter(adaptor, index, timeOf(adaptor, frame),
                              adaptor && adaptor->inData() ? adaptor->inData()->time_step : 0,
                              adaptor && adaptor->inData() ? adaptor->inData()->time_scale : 0)
    {
    }

private:
    static A_long timeOf(AfterEffectsHost* adaptor, double frame)
    {
        if (!adaptor || !adaptor->inData())
            return 0;
        return truncateToInt(static_cast<double>(adaptor->inData()->local_time_step) * frame);
    }
};

// 8-bit components, then the host's floating-point colour where the suite answers.
void readColour(AfterEffectsHost* adaptor, const PF_ParamDef& entry, double* r, double* g,
                double* b)
{
    *r = entry.u.cd.value.red / 255.0;
    *g = entry.u.cd.value.green / 255.0;
    *b = entry.u.cd.value.blue / 255.0;
    PF_InData* in = adaptor->inData();
    SuiteCache suites(in->pica_basicP);
    const PF_ColorParamSuite1* suite = nullptr;
    PF_Err err = suites.colourParams(&suite);
    if (err == PF_Err_NONE && !suite->PF_GetFloatingPointColorFromColorDef)
        err = PF_Err_BAD_CALLBACK_PARAM;
    if (err == PF_Err_NONE) {
        PF_PixelFloat colour{};
        err = suite->PF_GetFloatingPointColorFromColorDef(in->effect_ref, &entry, &colour);
        if (err == PF_Err_NONE) {
            *r = colour.red;
            *g = colour.green;
            *b = colour.blue;
        }
    }
    if (err != PF_Err_NONE)
        adaptor->reportServiceError(err);
}

} // namespace

PF_ParamDef* xParameterBaseAE::entryAt(int index) const
{
    if (!adaptor || index < 1 || index >= adaptor->parameterCount())
        return nullptr;
    PF_ParamDef** params = adaptor->paramArray();
    return params ? params[index] : nullptr;
}

int xParameterBaseAE::applyEnabled(bool enabled, bool layerControl)
{
    if (!adaptor || !adaptor->inData() || hostIndex < 1)
        return PF_Err_NONE;
    PF_InData* in = adaptor->inData();
    SuiteCache suites(in->pica_basicP);
    if (!in->pica_basicP) {
        adaptor->reportServiceError(PF_Err_BAD_CALLBACK_PARAM);
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_ParamDef* current = entry();
    if (!current)
        return PF_Err_NONE;
    PF_ParamDef copy = *current;
    if (enabled)
        copy.ui_flags &= ~PF_PUI_DISABLED;
    else
        copy.ui_flags |= PF_PUI_DISABLED;
    if (adaptor->isPremiere() && !layerControl)
        return PF_Err_NONE;
    const PF_ParamUtilsSuite1* suite = nullptr;
    PF_Err err = suites.paramUtils(&suite);
    if (err == PF_Err_NONE)
        err = suite->PF_UpdateParamUI ? suite->PF_UpdateParamUI(in->effect_ref, hostIndex, &copy)
                                      : PF_Err_BAD_CALLBACK_PARAM;
    if (err != PF_Err_NONE)
        adaptor->reportServiceError(err);
    return err;
}

int xGroup::setEnabled(bool enabled) { return applyEnabled(enabled, false); }
int xGroupEnd::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

int xFloat::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

double xFloat::value()
{
    const PF_ParamDef* e = entry();
    return e ? e->u.fs_d.value : def.defaultValue;
}

double xFloat::valueAt(double frame)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    return copy.get() ? copy.get()->u.fs_d.value : def.defaultValue;
}

void xFloat::setValue(double v)
{
    if (PF_ParamDef* e = entry()) {
        e->u.fs_d.value = v;
        e->change_flags |= PF_ChangeFlag_CHANGED_VALUE;
    }
}

int xAngle::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

double xAngle::value()
{
    const PF_ParamDef* e = entry();
    return e ? doubleFromFixed(e->u.ad.value) : def.defaultValue;
}

double xAngle::valueAt(double frame)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    return copy.get() ? doubleFromFixed(copy.get()->u.ad.value) : def.defaultValue;
}

int xCheckbox::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

bool xCheckbox::value()
{
    const PF_ParamDef* e = entry();
    return e ? e->u.bd.value != 0 : def.defaultValue;
}

bool xCheckbox::valueAt(double frame)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    return copy.get() ? copy.get()->u.bd.value != 0 : def.defaultValue;
}

int xChoice::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

int xChoice::value()
{
    const PF_ParamDef* e = entry();
    return e ? e->u.pd.value : def.defaultValue;
}

int xChoice::valueAt(double frame)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    return copy.get() ? copy.get()->u.pd.value : def.defaultValue;
}

int xLayer::setEnabled(bool enabled) { return applyEnabled(enabled, true); }

bool xLayer::isConnected()
{
    if (controlChangedWithin(kLayerSettleMilliseconds))
        return false;
    if (!adaptor || !adaptor->inData() || !adaptor->hostSpecAtLeast(12, 5))
        return false;
    const PF_InData* in = adaptor->inData();
    CheckedOutParameter copy(adaptor, hostIndex, in->current_time, in->time_step, in->time_scale);
    return copy.get() && copy.get()->u.ld.data != nullptr;
}

int xIntSlider::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

int xIntSlider::value()
{
    const PF_ParamDef* e = entry();
    return e ? e->u.sd.value : def.defaultValue;
}

int xIntSlider::valueAt(double frame)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    return copy.get() ? copy.get()->u.sd.value : def.defaultValue;
}

int xPoint2d::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

void xPoint2d::value(double* x, double* y)
{
    if (const PF_ParamDef* e = entry()) {
        *x = doubleFromFixed(e->u.td.x_value);
        *y = doubleFromFixed(e->u.td.y_value);
    } else {
        *x = def.x;
        *y = def.y;
    }
}

void xPoint2d::valueAt(double frame, double* x, double* y)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    if (const PF_ParamDef* e = copy.get()) {
        *x = doubleFromFixed(e->u.td.x_value);
        *y = doubleFromFixed(e->u.td.y_value);
    } else {
        // The stored fractions, as defined.
        *x = def.x;
        *y = def.y;
    }
}

int xRGBA::setEnabled(bool enabled) { return applyEnabled(enabled, false); }

void xRGBA::value(double* r, double* g, double* b)
{
    if (const PF_ParamDef* e = entry()) {
        readColour(adaptor, *e, r, g, b);
    } else {
        *r = def.red;
        *g = def.green;
        *b = def.blue;
    }
}

void xRGBA::valueAt(double frame, double* r, double* g, double* b)
{
    ParameterAtFrame copy(adaptor, hostIndex, frame);
    if (const PF_ParamDef* e = copy.get()) {
        readColour(adaptor, *e, r, g, b);
    } else {
        *r = def.red;
        *g = def.green;
        *b = def.blue;
    }
}

double xRGBA::alpha()
{
    const PF_ParamDef* e = entryAt(alphaIndex);
    return e ? e->u.fs_d.value : def.alphaDefault;
}

double xRGBA::alphaAt(double frame)
{
    ParameterAtFrame copy(adaptor, alphaIndex, frame);
    return copy.get() ? copy.get()->u.fs_d.value : def.alphaDefault;
}

} // namespace quorvane
