#pragma once

#include <string>
#include <vector>

#include "project/TarneloData.h"

// Names that the videos of a join would share. Two videos of one name (a.mp4 and a.avi, or two folders'
// clip.mp4) would be converted to one file, and the join would show one of them twice; a converted file is
// made afresh, so it may be neither a video given nor the join's output.
struct MergeClash {
    enum Kind {
        kNone,
        kInputIsOutput,      // input: a video that is also the output
        kOutputIsConverted,  // input's converted file is the output (file)
        kSameConverted,      // input and other, two files, are both converted to file
        kInputIsConverted,   // input is the converted file of other
    };
    Kind kind = kNone;
    std::string input;
    std::string other;
    std::string file;

    explicit operator bool() const { return kind != kNone; }
};

// The first clash among the entries (file to use, converted file) of list and the output file; an empty
// output is checked against nothing. The same video listed twice is no clash: it is one conversion.
MergeClash FindMergeClash(const std::vector<SceneEntry>& list, const std::string& output);

// Whether adding the video input, converted to convertedFile, would make a clash with list or output.
MergeClash FindAddClash(const std::vector<SceneEntry>& list, const std::string& input, const std::string& convertedFile,
                        const std::string& output);
