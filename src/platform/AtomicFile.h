#pragma once

#include <string>
#include <string_view>

namespace platform {

// Replaces the file at path with bytes so that a crash, a full disk or a failed write never leaves it half
// written: the bytes go to a new file in the same folder, are synced, and that file is renamed over path.
// An existing file keeps its permission bits; a link at path is written through to its target. False when
// anything failed; then errno says why, the old file is as it was and no temporary file is left behind.
// The temporary file a killed writer left beside path is removed by the next write of path.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace platform
