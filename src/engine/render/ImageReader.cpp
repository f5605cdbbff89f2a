#include "engine/render/ImageReader.h"

#include <dlfcn.h>

#include <mutex>
#include <opencv2/imgcodecs.hpp>

namespace {

// cv::imread(const cv::String&, int) as the library exports it (cv::String is std::string since 4.0).
constexpr const char* kImreadSymbol = "_ZN2cv6imreadERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEi";
using ImreadFunction = cv::Mat (*)(const cv::String&, int);

struct Codecs {
    ImreadFunction imread = nullptr;
    std::string problem;
};

const Codecs& LoadCodecs() {
    static Codecs codecs;
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for the life of the process, like a linked library.
        void* library = ::dlopen(TARNELO_IMGCODECS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = ::dlerror();
            codecs.problem = std::string("cannot load ") + TARNELO_IMGCODECS_LIBRARY + ": " + (why ? why : "");
            return;
        }
        codecs.imread = reinterpret_cast<ImreadFunction>(::dlsym(library, kImreadSymbol));
        if (!codecs.imread) codecs.problem = std::string(TARNELO_IMGCODECS_LIBRARY) + " has no cv::imread";
    });
    return codecs;
}

}  // namespace

cv::Mat ReadImageBgr(const std::string& path) {
    const Codecs& codecs = LoadCodecs();
    return codecs.imread ? codecs.imread(path, cv::IMREAD_COLOR) : cv::Mat();
}

std::string ImageCodecsProblem() { return LoadCodecs().problem; }
