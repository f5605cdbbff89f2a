// The string table of a resource library (strings.tsv) on any text.
#include <cstdint>
#include <string>

#include "app/ResourceLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ParseStringTable(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
