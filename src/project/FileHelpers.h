#pragma once

#include <string>

#include "platform/Path.h"

// Path texts use the native separator; this layer's helpers name it through this alias.
inline constexpr char kPathSep = platform::kPathSeparator;
// What the names derived from an input end with: its frame-time list, its merged output, its output folder.
inline constexpr const char* kPtsFileSuffix = "_pts.csv";
inline constexpr const char* kMergedFileSuffix = "_trim.mp4";
inline constexpr const char* kOutputFolderSuffix = "_out";

// The text before the last "." of path followed by ending; path unchanged when it has no ".".
// The last "." anywhere counts, even one inside a folder name.
std::string ReplaceExtension(const std::string& path, const std::string& ending);

// True when the text from the last "." on is ".mp4", ignoring case.
bool IsMp4File(const std::string& path);

// add: append the separator unless the text already ends in one (an empty text becomes a lone separator);
// not add: remove one trailing separator.
std::string SetTrailingSeparator(const std::string& path, bool add);

// The part of path after its last separator (the whole text when there is none).
std::string FileNamePart(const std::string& path);

// The part of path up to and including its last separator (empty when there is none).
std::string FolderPart(const std::string& path);

// True when both paths name one file (the same text, or links to one file).
bool SameFile(const std::string& a, const std::string& b);

// Deletes every non-folder entry of the pattern's folder whose name matches the pattern's last part
// ("*" any run, "?" one character). Symbolic links are removed themselves, never followed.
void DeleteFiles(const std::string& pattern);

// Deletes the folder with everything below it without following symbolic links out of it.
// True when the folder does not exist or was removed; false (nothing deleted) for an empty path,
// the file-system root or the user's home folder.
bool DeleteFolder(const std::string& folder);

// True for the folders DeleteFolder refuses: an empty path, the root, the home folder and its ancestors
// (compared after resolving links and "..").
bool IsDeletionRefused(const std::string& folder);

// Number of parallel workers: 4 when fixed, else 2, 4 or min(6, 0.75 x n) for n hardware threads
// up to 4, 5 to 8 or more than 8.
int GetWorkerCount(bool fixed);
int WorkerCountFor(unsigned hardwareThreads, bool fixed);
