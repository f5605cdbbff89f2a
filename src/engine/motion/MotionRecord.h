#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A small binary file beside a project that keeps the per-frame counts of changed pixels of the last
// extraction, so that the scene settings can be tuned again without decoding the video a second time.
// The file is tied to the input it was measured on; a record of another file or of a changed file is
// never used.

// What identifies the file an analysis read: its size, its modification time, and a hash of its first and of
// its last MiB (FNV-1a 64 over the bytes; a file under 1 MiB is hashed whole for both).
struct InputIdentity {
    uint64_t size = 0;
    int64_t mtimeNs = 0;  // st_mtim in nanoseconds
    uint64_t headHash = 0;
    uint64_t tailHash = 0;
    bool operator==(const InputIdentity&) const = default;
};
// false when the file cannot be read.
bool ReadInputIdentity(const std::string& path, InputIdentity& identity);

// The per-frame count of changed pixels of one extraction, with what it was measured on.
struct MotionRecord {
    static constexpr uint32_t kVersion = 1;
    // A record compared with a frame further back: the version 1 layout with the seconds added after the
    // header, so that a reader that knows only version 1 calls it another version rather than misreading it.
    static constexpr uint32_t kCompareVersion = 2;
    // A record of a scan that watched areas: the version 2 layout with the watched pixel count and the areas'
    // key added after it.
    static constexpr uint32_t kRegionsVersion = 3;
    // A frame that is motion whatever the threshold (the first frame of a run).
    static constexpr uint32_t kAlwaysMotion = 0x7FFFFFFF;
    int width = 0;  // analysis frame
    int height = 0;
    double fps = 0;
    int frameCount = 0;  // the frame count the extraction was run with (the probed count)
    // The compare setting the counts were measured with (0: the previous frame). Written as version 1 when 0,
    // so such a record stays what it always was.
    double compareSeconds = 0;
    // With areas: the areas' key (RegionsKey) and the pixels of the analysis frame they watch; written as
    // version 3 only then. Without areas every pixel is watched (watched 0 stands for width x height).
    std::string regions;
    int watched = 0;
    InputIdentity input;
    std::vector<uint32_t> counts;  // one per frame measured, in order

    // The pixels the threshold is scaled to.
    int WatchedPixels() const { return watched > 0 ? watched : width * height; }
};

// The file beside a project: the project path with its extension replaced by ".kpmotion"
// ("a/b.kpproj" -> "a/b.kpmotion"; a path without extension gets ".kpmotion" appended).
std::string MotionRecordPath(const std::string& projectFile);

enum class RecordStatus { kOk, kMissing, kDamaged, kOtherVersion, kOtherInput };
// Reads and checks a record: kMissing when there is no file; kDamaged for a wrong magic, a header or count
// table that is short or too long, or impossible values (non-positive sizes, non-finite or non-positive fps,
// more counts than 100,000,000, a version 2 compare setting that is not finite and positive); kOtherVersion for another
// version; kOtherInput when input differs from the record's. Only kOk fills record. Never trusts a size field before
// checking it against the file size.
RecordStatus ReadMotionRecord(const std::string& path, const InputIdentity& input, MotionRecord& record);
// Text for the log: "ok", "missing", "damaged", "other version", "other input".
const char* RecordStatusText(RecordStatus status);
// Writes through WriteFileAtomically (src/platform/AtomicFile.h), so a crash leaves the old file or the new.
// False as well for a record the reader would call damaged, so what is written can always be read back.
bool WriteMotionRecord(const std::string& path, const MotionRecord& record);
