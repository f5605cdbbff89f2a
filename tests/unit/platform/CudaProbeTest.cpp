#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/CudaProbe.h"

namespace {

bool CanOpen(const char* name) {
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    return library != nullptr;  // left open, as the probe leaves it
}

TEST(CudaProbeTest, FalseWithoutTheLibrariesAndNeverCrashes) {
    const bool present = platform::HasCudaDevice();
    EXPECT_EQ(platform::HasCudaDevice(), present) << "a second probe answers the same";
    if (!CanOpen("libcudart.so") && !CanOpen("libcuda.so.1")) {
        EXPECT_FALSE(present);
    }
}

}  // namespace
