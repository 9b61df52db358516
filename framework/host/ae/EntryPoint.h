#pragma once
// The exported functions of a plug-in library, defined once here and instantiated by each
// deliverable with its concrete class:
//
//     QUORVANE_DEFINE_ENTRY_POINT(QuadsoftAEHost, Deliverable::Quadsoft)
//
// defines `EntryPointFunc`, which builds the object for one command and returns exactly what
// its `command` returns, and `QuorvaneDescribeControls` for the standalone host.
// QUORVANE_DEFINE_PERSISTENT_ENTRY_POINT keeps one object for the whole process instead, so
// its host indices stay assigned between commands. Both are exported undecorated; every other
// symbol of the library stays internal.

#include <string>

#include "host/Identity.h"
#include "host/ae/AeInterface.h"
#include "host/ae/AfterEffectsHost.h"
#include "threads/DebugLog.h"

namespace quorvane {

// One line "id\tshortName\tkey\n" per entry of the list, hidden ones included (the key in
// GBK bytes, which never contain a tab or a line feed); a colour's alpha slider adds
// "alphaId\tshortName_alpha\talphaKey\n".
std::string describeParameterList(const xParameterList& list);

// Copies what fits of the text (and a zero byte) into buffer; returns the text's length, so a
// caller can size its buffer as length + 1.
int copyDescription(const std::string& text, char* buffer, int size);

// The deliverable's concrete object, built with its identity and version.
template <class Concrete, Deliverable D>
Concrete makeDeliverable()
{
    return Concrete(std::string(identityOf(D).displayName), std::string(kCategory),
                    descriptionOf(D), kVersionMajor, kVersionMinor, kVersionBugfix);
}

// A fresh object per command, destroyed before the result goes back to the host. Only the
// standard library's allocations can throw here, and no exception may cross into the host.
template <class Concrete, Deliverable D>
PF_Err perCommandEntryPoint(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                            PF_LayerDef* output, void* extra)
{
    DebugLog::setProcessFileName(identityOf(D).logFileName);
    try {
        Concrete object = makeDeliverable<Concrete, D>();
        return object.command(cmd, in, out, params, output, extra);
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

// One object for the life of the process, constructed by the first command.
template <class Concrete, Deliverable D>
PF_Err persistentEntryPoint(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                            PF_LayerDef* output, void* extra)
{
    DebugLog::setProcessFileName(identityOf(D).logFileName);
    try {
        static Concrete object = makeDeliverable<Concrete, D>();
        return object.command(cmd, in, out, params, output, extra);
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

// Builds the object without any host call and lists its controls.
template <class Concrete, Deliverable D>
int describeControls(char* buffer, int size)
{
    try {
        Concrete object = makeDeliverable<Concrete, D>();
        return copyDescription(describeParameterList(*object.parameters()), buffer, size);
    } catch (...) {
        return copyDescription(std::string(), buffer, size);
    }
}

} // namespace quorvane

#define QUORVANE_EXPORT_C extern "C" __attribute__((visibility("default")))

#define QUORVANE_DEFINE_ENTRY_POINT_WITH(runner, ConcreteClass, deliverable)                      \
    QUORVANE_EXPORT_C PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,                       \
                                            PF_OutData* out_data, PF_ParamDef* params[],          \
                                            PF_LayerDef* output, void* extra)                     \
    {                                                                                             \
        using namespace ::quorvane;                                                               \
        return runner<ConcreteClass, deliverable>(cmd, in_data, out_data, params, output, extra); \
    }                                                                                             \
    QUORVANE_EXPORT_C int QuorvaneDescribeControls(char* buffer, int size)                        \
    {                                                                                             \
        using namespace ::quorvane;                                                               \
        return describeControls<ConcreteClass, deliverable>(buffer, size);                        \
    }

#define QUORVANE_DEFINE_ENTRY_POINT(ConcreteClass, deliverable)                                   \
    QUORVANE_DEFINE_ENTRY_POINT_WITH(perCommandEntryPoint, ConcreteClass, deliverable)

#define QUORVANE_DEFINE_PERSISTENT_ENTRY_POINT(ConcreteClass, deliverable)                        \
    QUORVANE_DEFINE_ENTRY_POINT_WITH(persistentEntryPoint, ConcreteClass, deliverable)
