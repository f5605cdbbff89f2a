#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The one place that knows the separator; texts that join folders and names use it.
constexpr char kPathSeparator = '/';

// The part after the last separator (all of path when it has none).
std::string PathFileName(const std::string& path);
// The part up to and including the last separator ("" when there is none).
std::string PathFolder(const std::string& path);
// From the last '.' of the file-name part, the dot included; "" when there is no dot.
std::string PathExtension(const std::string& path);
bool HasTrailingSeparator(const std::string& path);

// Exists and is not a folder (a link counts as what it points to).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Size in bytes of a file; -1 when it is missing or a folder.
std::int64_t FileSize(const std::string& path);
// Makes the folder and any missing parents; true when the folder exists afterwards.
bool MakeFolders(const std::string& path);

// Folders below all end with the separator.
// $TMPDIR when set to an existing folder, else /tmp.
std::string TempFolder();
// $HOME, else the home folder of the user's account, else "/".
std::string HomeFolder();
// The working folder; "" if it cannot be read (removed while we run).
std::string CurrentFolder();
// path itself when it is absolute, else the current folder joined with it. Nothing is resolved.
std::string MakeAbsolute(const std::string& path);

}  // namespace platform
