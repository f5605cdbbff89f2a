#include "platform/CudaProbe.h"

#include <dlfcn.h>

namespace platform {

namespace {

// The libraries stay loaded once opened: unloading the CUDA runtime while its exit handlers are registered
// can crash the process at exit.
void* OpenLibrary(const char* name) { return ::dlopen(name, RTLD_NOW | RTLD_LOCAL); }

template <typename Function>
Function Symbol(void* library, const char* name) {
    return reinterpret_cast<Function>(::dlsym(library, name));
}

bool RuntimeHasDevice() {
    void* library = OpenLibrary("libcudart.so");
    if (!library) return false;
    using GetDeviceCount = int (*)(int*);
    const auto getDeviceCount = Symbol<GetDeviceCount>(library, "cudaGetDeviceCount");
    int count = 0;
    return getDeviceCount && getDeviceCount(&count) == 0 && count > 0;
}

bool DriverHasDevice() {
    void* library = OpenLibrary("libcuda.so.1");
    if (!library) return false;
    using Init = int (*)(unsigned int);
    using DeviceGetCount = int (*)(int*);
    const auto init = Symbol<Init>(library, "cuInit");
    const auto deviceGetCount = Symbol<DeviceGetCount>(library, "cuDeviceGetCount");
    int count = 0;
    return init && deviceGetCount && init(0) == 0 && deviceGetCount(&count) == 0 && count > 0;
}

}  // namespace

// The encoder and decoder run through the driver library, so a runtime that refuses (for example one newer
// than the driver) still lets the driver answer.
bool HasCudaDevice() { return RuntimeHasDevice() || DriverHasDevice(); }

}  // namespace platform
