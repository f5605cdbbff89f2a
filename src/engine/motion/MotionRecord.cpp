#include "engine/motion/MotionRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/Path.h"

namespace {

constexpr char kMagic[8] = {'T', 'N', 'M', 'O', 'T', 'I', 'O', 'N'};
// magic, version, width, height, fps, frameCount, size, mtime, head hash, tail hash, number of counts
constexpr uint64_t kHeaderSize = 8 + 4 + 4 + 4 + 8 + 4 + 8 + 8 + 8 + 8 + 4;
// version 2: the compare seconds follow
constexpr uint64_t kCompareHeaderSize = kHeaderSize + 8;
// version 3: the compare seconds (0 allowed), the watched pixel count and the areas' key length, then the key
constexpr uint64_t kRegionsHeaderSize = kCompareHeaderSize + 4 + 4;
constexpr uint64_t kMaxRegionsKey = 1 << 20;
// Far above what the setting allows, only to turn away nonsense.
constexpr double kMaxCompareSeconds = 3600;
constexpr uint64_t kMaxCounts = 100000000;
constexpr uint64_t kHashSpan = uint64_t(1) << 20;

// Closes the descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// O_NONBLOCK so that a pipe put at the path cannot hang the open; it is turned away as not a regular file.
int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

// True only when all n bytes at offset were read; a file cut short under us reads short.
bool ReadAt(int fd, uint64_t offset, void* buffer, size_t n) {
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

uint64_t Fnv1a64(const unsigned char* bytes, size_t n) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < n; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

bool HashRange(int fd, uint64_t offset, size_t n, std::vector<unsigned char>& buffer, uint64_t& hash) {
    buffer.resize(n);
    if (!ReadAt(fd, offset, buffer.data(), n)) return false;
    hash = Fnv1a64(buffer.data(), n);
    return true;
}

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutU64(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const unsigned char* in) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t(in[i]) << (8 * i);
    return value;
}

uint64_t GetU64(const unsigned char* in) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= uint64_t(in[i]) << (8 * i);
    return value;
}

// What the reader accepts; the writer refuses anything else, so a written record always reads back.
bool ValuesArePossible(int64_t width, int64_t height, double fps, int64_t frameCount, uint64_t countCount) {
    return width > 0 && width <= INT_MAX && height > 0 && height <= INT_MAX && std::isfinite(fps) && fps > 0 &&
           frameCount >= 0 && frameCount <= INT_MAX && countCount <= kMaxCounts;
}

// The areas watch at least one pixel and no more than the (padded) frame holds.
bool WatchedIsPossible(uint32_t watched, int64_t width, int64_t height) {
    return watched > 0 && watched <= uint32_t(INT_MAX) && uint64_t(watched) <= uint64_t(width) * uint64_t(height);
}

bool CompareIsPossible(double seconds) {
    return std::isfinite(seconds) && seconds >= 0 && seconds <= kMaxCompareSeconds;
}

}  // namespace

bool ReadInputIdentity(const std::string& path, InputIdentity& identity) {
    const Fd fd(OpenForReading(path));
    if (fd.Get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;

    InputIdentity read;
    read.size = static_cast<uint64_t>(st.st_size);
    read.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    const size_t span = static_cast<size_t>(std::min(read.size, kHashSpan));
    std::vector<unsigned char> buffer;
    if (!HashRange(fd.Get(), 0, span, buffer, read.headHash)) return false;
    if (read.size <= kHashSpan) {
        read.tailHash = read.headHash;  // head and tail are the same bytes
    } else if (!HashRange(fd.Get(), read.size - span, span, buffer, read.tailHash)) {
        return false;
    }
    identity = read;
    return true;
}

std::string MotionRecordPath(const std::string& projectFile) {
    const std::string extension = platform::PathExtension(projectFile);
    return projectFile.substr(0, projectFile.size() - extension.size()) + ".kpmotion";
}

RecordStatus ReadMotionRecord(const std::string& path, const InputIdentity& input, MotionRecord& record) {
    const Fd fd(OpenForReading(path));
    if (fd.Get() < 0) return errno == ENOENT || errno == ENOTDIR ? RecordStatus::kMissing : RecordStatus::kDamaged;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return RecordStatus::kDamaged;
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);

    // The magic and the version come first: another version may lay out the rest differently.
    unsigned char header[kRegionsHeaderSize];
    if (fileSize < 12 || !ReadAt(fd.Get(), 0, header, 12)) return RecordStatus::kDamaged;
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0) return RecordStatus::kDamaged;
    const uint32_t version = GetU32(header + 8);
    if (version != MotionRecord::kVersion && version != MotionRecord::kCompareVersion &&
        version != MotionRecord::kRegionsVersion) {
        return RecordStatus::kOtherVersion;
    }
    const bool regions = version == MotionRecord::kRegionsVersion;
    const uint64_t fixedSize = regions                                    ? kRegionsHeaderSize
                               : version == MotionRecord::kCompareVersion ? kCompareHeaderSize
                                                                          : kHeaderSize;
    if (fileSize < fixedSize || !ReadAt(fd.Get(), 12, header + 12, fixedSize - 12)) return RecordStatus::kDamaged;

    const unsigned char* p = header + 12;
    const uint32_t width = GetU32(p);
    const uint32_t height = GetU32(p + 4);
    const double fps = std::bit_cast<double>(GetU64(p + 8));
    const uint32_t frameCount = GetU32(p + 16);
    InputIdentity recorded;
    recorded.size = GetU64(p + 20);
    recorded.mtimeNs = static_cast<int64_t>(GetU64(p + 28));
    recorded.headHash = GetU64(p + 36);
    recorded.tailHash = GetU64(p + 44);
    const uint32_t countCount = GetU32(p + 52);
    const double compareSeconds =
        version != MotionRecord::kVersion ? std::bit_cast<double>(GetU64(header + kHeaderSize)) : 0;
    if (!ValuesArePossible(width, height, fps, frameCount, countCount)) return RecordStatus::kDamaged;
    if (version == MotionRecord::kCompareVersion && !(CompareIsPossible(compareSeconds) && compareSeconds > 0)) {
        return RecordStatus::kDamaged;
    }
    const uint32_t watched = regions ? GetU32(header + kCompareHeaderSize) : 0;
    const uint32_t keySize = regions ? GetU32(header + kCompareHeaderSize + 4) : 0;
    if (regions && !(CompareIsPossible(compareSeconds) && WatchedIsPossible(watched, width, height) && keySize > 0 &&
                     keySize <= kMaxRegionsKey)) {
        return RecordStatus::kDamaged;
    }
    const uint64_t headerSize = fixedSize + keySize;
    // The count field is checked against the file before anything is allocated for it.
    if (fileSize != headerSize + 4 * uint64_t(countCount)) return RecordStatus::kDamaged;

    std::string key(keySize, '\0');
    if (keySize > 0 && !ReadAt(fd.Get(), fixedSize, key.data(), keySize)) return RecordStatus::kDamaged;
    std::vector<unsigned char> table(4 * size_t(countCount));
    if (!ReadAt(fd.Get(), headerSize, table.data(), table.size())) return RecordStatus::kDamaged;
    unsigned char extra;
    // A file that grew after the size was taken is not the file that was checked.
    if (::pread(fd.Get(), &extra, 1, static_cast<off_t>(fileSize)) != 0) return RecordStatus::kDamaged;
    if (!(recorded == input)) return RecordStatus::kOtherInput;

    record.width = static_cast<int>(width);
    record.height = static_cast<int>(height);
    record.fps = fps;
    record.frameCount = static_cast<int>(frameCount);
    record.compareSeconds = compareSeconds;
    record.regions = std::move(key);
    record.watched = static_cast<int>(watched);
    record.input = recorded;
    record.counts.resize(countCount);
    for (size_t i = 0; i < countCount; ++i) record.counts[i] = GetU32(table.data() + 4 * i);
    return RecordStatus::kOk;
}

const char* RecordStatusText(RecordStatus status) {
    switch (status) {
        case RecordStatus::kOk:
            return "ok";
        case RecordStatus::kMissing:
            return "missing";
        case RecordStatus::kDamaged:
            return "damaged";
        case RecordStatus::kOtherVersion:
            return "other version";
        case RecordStatus::kOtherInput:
            return "other input";
    }
    return "damaged";
}

bool WriteMotionRecord(const std::string& path, const MotionRecord& record) {
    if (!ValuesArePossible(record.width, record.height, record.fps, record.frameCount, record.counts.size()) ||
        !CompareIsPossible(record.compareSeconds)) {
        return false;
    }
    const bool regions = !record.regions.empty();
    if (regions && !(record.watched >= 0 && WatchedIsPossible(uint32_t(record.watched), record.width, record.height) &&
                     record.regions.size() <= kMaxRegionsKey)) {
        return false;
    }
    const bool compared = record.compareSeconds > 0 || regions;
    std::string bytes;
    bytes.reserve(kCompareHeaderSize + 4 * record.counts.size());
    bytes.append(kMagic, sizeof kMagic);
    PutU32(bytes, regions    ? MotionRecord::kRegionsVersion
                  : compared ? MotionRecord::kCompareVersion
                             : MotionRecord::kVersion);
    PutU32(bytes, static_cast<uint32_t>(record.width));
    PutU32(bytes, static_cast<uint32_t>(record.height));
    PutU64(bytes, std::bit_cast<uint64_t>(record.fps));
    PutU32(bytes, static_cast<uint32_t>(record.frameCount));
    PutU64(bytes, record.input.size);
    PutU64(bytes, static_cast<uint64_t>(record.input.mtimeNs));
    PutU64(bytes, record.input.headHash);
    PutU64(bytes, record.input.tailHash);
    PutU32(bytes, static_cast<uint32_t>(record.counts.size()));
    if (compared) PutU64(bytes, std::bit_cast<uint64_t>(record.compareSeconds));
    if (regions) {
        PutU32(bytes, static_cast<uint32_t>(record.watched));
        PutU32(bytes, static_cast<uint32_t>(record.regions.size()));
        bytes += record.regions;
    }
    for (const uint32_t count : record.counts) PutU32(bytes, count);
    return platform::WriteFileAtomically(path, bytes);
}
