// The command-line splitter on any text, and the escaping it is paired with: an argument escaped and put
// between quotes must split back to exactly itself.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Process.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    platform::SplitCommandLine(text);

    const std::vector<std::string> back =
        platform::SplitCommandLine("prog \"" + platform::EscapeQuotedArgument(text) + "\"");
    if (back.size() != 2 || back[1] != text) __builtin_trap();
    return 0;
}
