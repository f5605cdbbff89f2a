// The project loader on any bytes, every layout it accepts (scene captions in "capParam", in the scene
// itself, or one style in the root). The loader reads only from a path, so each input becomes a file.
#include <cstdint>
#include <string>

#include "FuzzTempFile.h"
#include "project/TarneloData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = FuzzTempFolder() + "input.kpproj";
    WriteFuzzFile(path, data, size);
    CTarneloData project;
    if (project.LoadProject(path)) {
        // What was read must save and read back: the editor writes it again at once.
        const std::string copy = FuzzTempFolder() + "copy.kpproj";
        if (project.SaveProject(copy)) {
            CTarneloData again;
            if (!again.LoadProject(copy)) __builtin_trap();
        }
    }
    return 0;
}
