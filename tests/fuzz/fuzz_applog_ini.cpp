// The AppLog.INI reader on any text.
#include <cstdint>
#include <string>

#include "log/AppLogIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseAppLogIni(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
