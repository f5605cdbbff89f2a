#pragma once

namespace platform {

// True when a CUDA device can be used. The CUDA libraries are opened at run
// time, never linked, so the program starts on machines without them; any
// missing library or failing call gives false.
bool HasCudaDevice();

}  // namespace platform
