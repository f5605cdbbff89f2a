#pragma once

#include <string>
#include <vector>

class CTarneloData;

// Chapters of the joined output, one per enabled scene, for the scene merge to write into the MP4. Pure.

struct Chapter {
    long long startMs = 0;  // on the joined output, where the scene begins (with cross-fades, its fade-in)
    long long endMs = 0;    // the next chapter's start; the last ends with the output
    std::string title;      // the scene's caption on one line, or "Scene 001" by its number in the list
};

std::vector<Chapter> BuildChapters(const CTarneloData& data);

// ";FFMETADATA1" and a [CHAPTER] section per chapter (TIMEBASE=1/1000), the title escaped.
std::string FfmetadataText(const std::vector<Chapter>& chapters);

// '=', ';', '#', '\' and line breaks get a backslash, as the metadata reader expects.
std::string EscapeFfmetadata(const std::string& text);
