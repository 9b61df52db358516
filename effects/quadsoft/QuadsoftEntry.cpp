#include "QuadsoftAEHost.h"
#include "host/ae/EntryPoint.h"

QUORVANE_DEFINE_ENTRY_POINT(QuadsoftAEHost, Deliverable::Quadsoft)
