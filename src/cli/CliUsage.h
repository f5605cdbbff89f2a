#pragma once

#include <string>

namespace cli {

// The help of every command with its options, as `tarnelo-cli help` prints it. CLI11 writes it from the same
// definition of the command line that ParseArguments reads.
std::string UsageText();

}  // namespace cli
