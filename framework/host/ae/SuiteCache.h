#pragma once
// Suites acquired from the host for one operation: each is acquired on its first request and
// released once when the cache goes out of scope.

#include "host/ae/AeInterface.h"

namespace quorvane {

class SuiteCache {
public:
    explicit SuiteCache(SPBasicSuite* basic) : basic_(basic) {}
    ~SuiteCache();
    SuiteCache(const SuiteCache&) = delete;
    SuiteCache& operator=(const SuiteCache&) = delete;

    // PF_Err_BAD_CALLBACK_PARAM when there is no suite-access interface or the host lacks it.
    PF_Err paramUtils(const PF_ParamUtilsSuite1** suite);
    PF_Err colourParams(const PF_ColorParamSuite1** suite);

private:
    struct Slot {
        const char* name;
        A_long version;
        const void* table = nullptr;
    };

    PF_Err acquire(Slot& slot, const void** table);

    SPBasicSuite* basic_;
    Slot paramUtils_{kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1};
    Slot colourParams_{kPFColorParamSuite, kPFColorParamSuiteVersion1};
};

} // namespace quorvane
