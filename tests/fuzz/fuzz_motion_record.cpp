// The motion record reader on any bytes, twice: against the identity of a fixed dummy input (so a record
// of another file is turned away) and with the header's identity made to match that input, so the reader
// goes on past the identity check to the count table.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzTempFile.h"
#include "engine/motion/MotionRecord.h"

namespace {

// Offset of the identity in the header: magic, version, width, height, fps, frame count.
constexpr size_t kIdentityOffset = 8 + 4 + 4 + 4 + 8 + 4;
constexpr size_t kIdentitySize = 8 * 4;

void PutU64(uint8_t* out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

const InputIdentity& DummyInput() {
    static const InputIdentity identity = [] {
        const std::string path = FuzzTempFolder() + "input.mp4";
        const char bytes[] = "not a video, only something to measure";
        WriteFuzzFile(path, reinterpret_cast<const uint8_t*>(bytes), sizeof bytes);
        InputIdentity read;
        if (!ReadInputIdentity(path, read)) __builtin_trap();
        return read;
    }();
    return identity;
}

void Check(const std::string& path, const uint8_t* data, size_t size) {
    WriteFuzzFile(path, data, size);
    MotionRecord record;
    if (ReadMotionRecord(path, DummyInput(), record) == RecordStatus::kOk) {
        // A record read whole must write back and read again the same.
        if (!WriteMotionRecord(path, record)) __builtin_trap();
        MotionRecord again;
        if (ReadMotionRecord(path, DummyInput(), again) != RecordStatus::kOk || again.counts != record.counts) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = FuzzTempFolder() + "input.kpmotion";
    Check(path, data, size);
    if (size >= kIdentityOffset + kIdentitySize) {
        std::vector<uint8_t> matching(data, data + size);
        const InputIdentity& input = DummyInput();
        PutU64(matching.data() + kIdentityOffset, input.size);
        PutU64(matching.data() + kIdentityOffset + 8, static_cast<uint64_t>(input.mtimeNs));
        PutU64(matching.data() + kIdentityOffset + 16, input.headHash);
        PutU64(matching.data() + kIdentityOffset + 24, input.tailHash);
        Check(path, matching.data(), matching.size());
    }
    return 0;
}
