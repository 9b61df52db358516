// The test effect as a plug-in library, loaded through its exports like a deliverable.

#include "host/ae/EntryPoint.h"
#include "host/tests/AeTestEffect.h"

QUORVANE_DEFINE_ENTRY_POINT(quorvane::aetest::TestEffectAEHost, Deliverable::Glow)
