#pragma once

// The videos of an extract batch: the files given and those found in the folders given, in a fixed order.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct BatchInput {
    std::string path;   // absolute
    std::string shown;  // as the user named it: the file given, or the folder given joined with the name inside
    // Found in a folder rather than named: a file there that is no video is skipped, where a named one fails.
    bool fromFolder = false;
    long long bytes = 0;
};

struct BatchInputs {
    std::vector<BatchInput> videos;
    // Files of the folders left out for their extension, by lower-case extension ("" for none); Tarnelo's own
    // files (projects, motion records) are not counted.
    std::map<std::string, int> leftOut;
};

// Files given are taken whatever their name (a missing one too, to be reported as failed). A folder gives its
// files with a video extension sorted by name and, with recursive, those of its subfolders, except hidden ones
// and the output folders of Tarnelo (NAME_out beside NAME, or holding its time list or segment files). A file
// found twice is taken once.
BatchInputs CollectBatchInputs(const std::vector<std::string>& given, bool recursive);

// The extensions the window's file dialog offers, and those of camera recordings (.mts, .m4v).
bool HasVideoExtension(std::string_view name);

// True when the first bytes of a file are those of a video container (MP4/MOV/3GP, Matroska/WebM, AVI, VCD,
// ASF/WMV, FLV, MPEG program, elementary or transport stream, Ogg). A file that starts like one but that ffprobe
// cannot read is a damaged video (cut short, as a camera leaves one at a power loss), not some other file.
bool StartsLikeVideo(std::string_view head);
// The first bytes of a file (fewer when it is shorter; none when it cannot be read).
std::string ReadFileHead(const std::string& path, size_t bytes);

// "3 .jpg, 1 .txt"
std::string LeftOutText(const std::map<std::string, int>& leftOut);

}  // namespace cli
