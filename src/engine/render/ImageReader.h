#pragma once

#include <opencv2/core.hpp>
#include <string>

// Reads an image file as 8-bit BGR; an empty matrix when it cannot be read. The image codec library is
// loaded on first use: linking it pulls well over a hundred libraries into every start of the programs
// (about 0.1 s each time), and only the automatic correction ever reads an image.
cv::Mat ReadImageBgr(const std::string& path);

// Empty when the codec library is usable, else why not (for the log and the tests).
std::string ImageCodecsProblem();
