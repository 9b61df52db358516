#include "host/ae/SuiteCache.h"

#include <initializer_list>

namespace quorvane {

SuiteCache::~SuiteCache()
{
    for (Slot* slot : {&paramUtils_, &colourParams_}) {
        if (slot->table && basic_->ReleaseSuite)
            basic_->ReleaseSuite(slot->name, slot->version);
    }
}

PF_Err SuiteCache::acquire(Slot& slot, const void** table)
{
    *table = nullptr;
    if (!basic_ || !basic_->AcquireSuite)
        return PF_Err_BAD_CALLBACK_PARAM;
    if (!slot.table) {
        const void* answer = nullptr;
        if (basic_->AcquireSuite(slot.name, slot.version, &answer) != 0 || !answer)
            return PF_Err_BAD_CALLBACK_PARAM;
        slot.table = answer;
    }
    *table = slot.table;
    return PF_Err_NONE;
}

PF_Err SuiteCache::paramUtils(const PF_ParamUtilsSuite1** suite)
{
    const void* table = nullptr;
    const PF_Err err = acquire(paramUtils_, &table);
    *suite = static_cast<const PF_ParamUtilsSuite1*>(table);
    return err;
}

PF_Err SuiteCache::colourParams(const PF_ColorParamSuite1** suite)
{
    const void* table = nullptr;
    const PF_Err err = acquire(colourParams_, &table);
    *suite = static_cast<const PF_ColorParamSuite1*>(table);
    return err;
}

} // namespace quorvane
