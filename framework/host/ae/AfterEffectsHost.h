#pragma once
// The adaptor between the After Effects effect interface (also hosted by Premiere Pro) and the
// abstract host: it numbers the bound parameters, stores each command's records, dispatches
// the commands and implements the host operations with host services.

#include <atomic>
#include <string>

#include "host/QuorvaneHost.h"
#include "host/ae/AeInterface.h"
#include "threads/Platform.h"

namespace quorvane {

// What time, time step and time scale for checking layers and parameters out.
struct CheckoutTime {
    A_long time = 0;
    A_long timeStep = 0;
    A_u_long timeScale = 0;
};

class AfterEffectsHost : public QuorvaneHost {
public:
    AfterEffectsHost(std::string displayName, std::string category, std::string description,
                     int versionMajor, int versionMinor, int versionBugfix);
    ~AfterEffectsHost() override;

    // Thread 0 asks the host; the other threads only learn of a remembered refusal (517).
    int progress(int done, int total, int threadIndex) override;
    void* allocate(int bytes) override;
    void deallocate(void* block) override;
    // The host's threads, counted through its once-per-processor iteration; at least 1.
    int threadCount(int* count, int maxThreads) override;
    // The host's own iteration in After Effects and Premiere Pro, else the thread pool.
    int iterate(int iterations, IterationObject* object, IterationCallback callback) override;
    double currentFrame() override;
    double frameRate() override;
    void frameRange(double* first, double* last) override;
    bool isAfterEffectsHost() override;
    double inputFrame(std::string inputName) override;
    int outOfMemoryError() override;
    // At most 255 characters and a zero byte into return_msg; an empty text writes nothing.
    void setMessage(std::string text) override;

    virtual int command(PF_Cmd cmd, PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                        PF_LayerDef* output, void* extra);
    virtual int about(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                      PF_LayerDef* output);
    virtual int globalSetup(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                            PF_LayerDef* output);
    virtual int globalSetdown(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                              PF_LayerDef* output);
    virtual int sequenceSetup(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                              PF_LayerDef* output);
    virtual int sequenceResetup(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                                PF_LayerDef* output);
    virtual int sequenceSetdown(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                                PF_LayerDef* output);
    virtual int sequenceFlatten(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                                PF_LayerDef* output);
    virtual int event(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                      PF_LayerDef* output, void* extra);
    virtual int arbitraryCallback(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                                  PF_LayerDef* output, void* extra);
    virtual int completelyGeneral(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                                  PF_LayerDef* output, void* extra);
    virtual int paramsSetup(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                            PF_LayerDef* output);
    virtual int userChangedParam(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                                 PF_LayerDef* output, void* extra);
    virtual int updateParamsUI(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                               PF_LayerDef* output, void* extra);
    virtual int frameSetup(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                           PF_LayerDef* output);
    virtual int frameSetdown(PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                             PF_LayerDef* output);
    // The source comes first, the output second.
    virtual int render8(ImageInfo* source, ImageInfo* output, InputImages* inputs) = 0;
    virtual int render16(ImageInfo* source, ImageInfo* output, InputImages* inputs) = 0;
    virtual int renderFloat(ImageInfo* source, ImageInfo* output, InputImages* inputs) = 0;
    // Host parameters including the input layer; 0 until indices are assigned.
    virtual int parameterCount();
    // Host index of the i-th extra layer input and its key, or -1 when there is none.
    virtual int layerInput(int i, std::string* name);
    virtual void checkoutTime(PF_InData* inData, PF_ParamDef** params, CheckoutTime* time);

    // The running command's records; valid only during `command`.
    PF_InData* inData() const { return inData_; }
    PF_OutData* outData() const { return outData_; }
    PF_ParamDef** paramArray() const { return params_; }
    PF_LayerDef* outputWorld() const { return output_; }
    void* extraData() const { return extra_; }
    // The smart commands read their controls from their own checked-out array.
    void setParamArray(PF_ParamDef** params) { params_ = params; }
    bool isPremiere() const;
    bool hostSpecAtLeast(int major, int minor) const;
    // A host service a value read needed was missing; becomes the command's result unless
    // the command fails otherwise.
    void reportServiceError(int error);

private:
    void assignIndices();
    int dispatch(PF_Cmd cmd, PF_InData* inData, PF_OutData* outData, PF_ParamDef** params,
                 PF_LayerDef* output, void* extra);

    PF_InData* inData_ = nullptr;
    PF_OutData* outData_ = nullptr;
    PF_ParamDef** params_ = nullptr;
    PF_LayerDef* output_ = nullptr;
    void* extra_ = nullptr;
    int parameterCount_ = 0;
    CriticalSection lock_;
    // Written by thread 0 only, read by the workers of a loop.
    std::atomic<int> lastProgressResult_{0};
    std::atomic<int> serviceError_{0};
};

} // namespace quorvane
