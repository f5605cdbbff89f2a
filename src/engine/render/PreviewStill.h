#pragma once

#include <string>

class CTarneloData;

// Output folder + name + "_preview.jpg": name is the input file's stem, or in the merge tab's engine the
// stem of output_name. Every rendering replaces this one file.
std::string PreviewStillPath(const CTarneloData& data, bool mergeMode);

// Time text of a still request: the request's own, or frame 0 as "%.6f" when it is empty.
std::string PreviewStillTime(const std::string& requestTime);

// A still decodes one frame at time and scales it into the preview box by chain. Paths and the chain are
// escaped here.
std::string PreviewStillCommand(const std::string& prefix, const std::string& time, const std::string& file,
                                const std::string& chain, const std::string& still);

// A display rotation of a quarter turn exchanges width and height in the box computation.
bool IsQuarterTurn(int rotation);
