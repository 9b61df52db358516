#pragma once
// Registration of the bound parameters with the host during parameter set-up.

namespace quorvane {

class AfterEffectsHost;

// Adds every visible bound parameter of the adaptor's list to the host, in list order (a
// colour with an alpha slider adds the slider right after it), then sets num_params to the
// count plus the input layer. The host's first refusal ends the walk and is returned.
int registerParameters(AfterEffectsHost& adaptor);

} // namespace quorvane
