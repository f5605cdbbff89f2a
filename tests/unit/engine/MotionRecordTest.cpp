#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "engine/motion/MotionRecord.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMiB = size_t(1) << 20;
// Where each field starts in the file.
constexpr size_t kVersionAt = 8, kWidthAt = 12, kHeightAt = 16, kFpsAt = 20, kFrameCountAt = 28, kCountsAt = 64;
constexpr size_t kHeader = 68;

class MotionRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / ("motion_record_" + std::to_string(::getpid()) + "_" + test->name());
        fs::remove_all(m_folder);
        ASSERT_TRUE(fs::create_directories(m_folder));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }

    std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // A fixed time to the nanosecond, so that a rewrite within one clock tick is told apart only by what
    // the test means to change.
    static void SetModified(const std::string& path, time_t seconds, long nanoseconds) {
        const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    // A record of a real input file, written beside it; returns its path.
    std::string WriteSample(MotionRecord& record) {
        const std::string video = PathOf("video.mp4");
        Write(video, "not really a video");
        SetModified(video, 1700000000, 123456789);
        EXPECT_TRUE(ReadInputIdentity(video, record.input));
        record.width = 160;
        record.height = 90;
        record.fps = 30000.0 / 1001.0;
        record.frameCount = 5;
        record.counts = {MotionRecord::kAlwaysMotion, 0, 1, 14400, 0xFFFFFFFFu, 7};
        const std::string path = PathOf("project.kpmotion");
        EXPECT_TRUE(WriteMotionRecord(path, record));
        return path;
    }

    fs::path m_folder;
};

void PutU32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
void PutF64(std::string& bytes, size_t at, double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

}  // namespace

TEST_F(MotionRecordTest, ARecordReadsBackAsWrittenInTheLittleEndianLayout) {
    MotionRecord written;
    const std::string path = WriteSample(written);

    MotionRecord read;
    ASSERT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kOk);
    EXPECT_EQ(read.width, 160);
    EXPECT_EQ(read.height, 90);
    EXPECT_EQ(std::bit_cast<uint64_t>(read.fps), std::bit_cast<uint64_t>(written.fps)) << "fps bit for bit";
    EXPECT_EQ(read.frameCount, 5);
    EXPECT_EQ(read.input, written.input);
    EXPECT_EQ(read.counts, written.counts);

    // The bytes themselves, so that the layout cannot drift while writer and reader still agree.
    const std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), kHeader + 4 * written.counts.size());
    EXPECT_EQ(bytes.substr(0, 8), "TNMOTION");
    EXPECT_EQ(bytes.substr(kVersionAt, 4), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(bytes.substr(kWidthAt, 4), std::string("\xA0\0\0\0", 4));
    EXPECT_EQ(bytes.substr(kCountsAt, 4), std::string("\x06\0\0\0", 4));
    EXPECT_EQ(bytes.substr(kHeader, 4), std::string("\xFF\xFF\xFF\x7F", 4)) << "kAlwaysMotion first";

    // A second write replaces the first, and an empty count list is a valid record.
    written.counts.clear();
    ASSERT_TRUE(WriteMotionRecord(path, written));
    ASSERT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kOk);
    EXPECT_TRUE(read.counts.empty());
    EXPECT_EQ(Read(path).size(), kHeader);
}

TEST_F(MotionRecordTest, TheWriterRefusesWhatTheReaderWouldCallDamaged) {
    MotionRecord good;
    const std::string path = WriteSample(good);
    const std::string before = Read(path);
    struct Case {
        const char* what;
        int width, height;
        double fps;
        int frameCount;
    } cases[] = {
        {"zero width", 0, 90, 25, 5},
        {"negative height", 160, -1, 25, 5},
        {"zero fps", 160, 90, 0, 5},
        {"negative fps", 160, 90, -25, 5},
        {"NaN fps", 160, 90, std::nan(""), 5},
        {"infinite fps", 160, 90, std::numeric_limits<double>::infinity(), 5},
        {"negative frame count", 160, 90, 25, -1},
    };
    for (const Case& c : cases) {
        MotionRecord bad = good;
        bad.width = c.width;
        bad.height = c.height;
        bad.fps = c.fps;
        bad.frameCount = c.frameCount;
        EXPECT_FALSE(WriteMotionRecord(path, bad)) << c.what;
        EXPECT_EQ(Read(path), before) << c.what << ": the old record is kept";
    }
    EXPECT_FALSE(WriteMotionRecord(PathOf("no such folder/x.kpmotion"), good));
}

TEST_F(MotionRecordTest, BadFilesAreDamagedOrOfAnotherVersion) {
    MotionRecord written;
    const std::string path = WriteSample(written);
    const std::string good = Read(path);
    auto patched32 = [&](size_t at, uint32_t value) {
        std::string bytes = good;
        PutU32(bytes, at, value);
        return bytes;
    };
    auto patchedFps = [&](double fps) {
        std::string bytes = good;
        PutF64(bytes, kFpsAt, fps);
        return bytes;
    };
    std::string wrongMagic = good;
    wrongMagic[0] = 't';
    std::string shortOtherVersion = patched32(kVersionAt, 4).substr(0, 20);

    struct Case {
        const char* what;
        std::string bytes;
        RecordStatus expected;
    } cases[] = {
        {"empty", "", RecordStatus::kDamaged},
        {"magic only", good.substr(0, 8), RecordStatus::kDamaged},
        {"header cut short", good.substr(0, kHeader - 1), RecordStatus::kDamaged},
        {"counts cut short", good.substr(0, good.size() - 1), RecordStatus::kDamaged},
        {"one count missing", good.substr(0, good.size() - 4), RecordStatus::kDamaged},
        {"an extra byte", good + "x", RecordStatus::kDamaged},
        {"an extra count", good + std::string(4, '\0'), RecordStatus::kDamaged},
        {"wrong magic", wrongMagic, RecordStatus::kDamaged},
        {"count field beyond the file", patched32(kCountsAt, 0xFFFFFFFFu), RecordStatus::kDamaged},
        {"count field over the limit", patched32(kCountsAt, 100000001), RecordStatus::kDamaged},
        {"zero width", patched32(kWidthAt, 0), RecordStatus::kDamaged},
        {"width beyond int", patched32(kWidthAt, 0x80000000u), RecordStatus::kDamaged},
        {"zero height", patched32(kHeightAt, 0), RecordStatus::kDamaged},
        {"frame count beyond int", patched32(kFrameCountAt, 0x80000000u), RecordStatus::kDamaged},
        {"zero fps", patchedFps(0), RecordStatus::kDamaged},
        {"negative fps", patchedFps(-30), RecordStatus::kDamaged},
        {"NaN fps", patchedFps(std::nan("")), RecordStatus::kDamaged},
        {"infinite fps", patchedFps(std::numeric_limits<double>::infinity()), RecordStatus::kDamaged},
        {"version 4", patched32(kVersionAt, 4), RecordStatus::kOtherVersion},
        // Another version may have another header, so its length says nothing.
        {"version 3 with a short header", shortOtherVersion, RecordStatus::kOtherVersion},
        // Version 2 has eight bytes more of header: a version 1 body under its number is short.
        {"version 2 in the version 1 layout", patched32(kVersionAt, 2), RecordStatus::kDamaged},
        {"version 0", patched32(kVersionAt, 0), RecordStatus::kOtherVersion},
    };
    for (const Case& c : cases) {
        Write(path, c.bytes);
        MotionRecord read;
        read.width = -7;  // untouched unless the record is ok
        EXPECT_EQ(ReadMotionRecord(path, written.input, read), c.expected) << c.what;
        EXPECT_EQ(read.width, -7) << c.what;
        EXPECT_TRUE(read.counts.empty()) << c.what;
    }
}

// A compare setting goes into a version 2 record, eight bytes after the version 1 header; 0 keeps version 1.
TEST_F(MotionRecordTest, ACompareSettingIsKeptInAVersionTwoRecord) {
    MotionRecord written;
    const std::string path = WriteSample(written);
    const std::string previousFrame = Read(path);
    written.compareSeconds = 0.5;
    ASSERT_TRUE(WriteMotionRecord(path, written));
    const std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), previousFrame.size() + 8);
    EXPECT_EQ(bytes.substr(kVersionAt, 4), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(bytes.substr(kHeader, 8), std::string("\0\0\0\0\0\0\xE0\x3F", 8));
    EXPECT_EQ(bytes.substr(kHeader + 8), previousFrame.substr(kHeader));
    MotionRecord read;
    ASSERT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kOk);
    EXPECT_EQ(read.compareSeconds, 0.5);
    EXPECT_EQ(read.counts, written.counts);

    written.compareSeconds = 0;
    ASSERT_TRUE(WriteMotionRecord(path, written));
    EXPECT_EQ(Read(path), previousFrame);

    written.compareSeconds = -0.5;
    EXPECT_FALSE(WriteMotionRecord(path, written));
    std::string notANumber = bytes;
    PutF64(notANumber, kHeader, std::nan(""));
    Write(path, notANumber);
    EXPECT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kDamaged);
}

// Areas go into a version 3 record: the compare seconds (0 too), the watched pixels and the areas' key after
// the version 1 header; a record without areas stays as it was.
TEST_F(MotionRecordTest, AreasAreKeptInAVersionThreeRecord) {
    MotionRecord written;
    const std::string path = WriteSample(written);
    const std::string plain = Read(path);
    written.regions = "+r0,0,80,90;";
    written.watched = 100;
    ASSERT_TRUE(WriteMotionRecord(path, written));
    const std::string bytes = Read(path);
    ASSERT_EQ(bytes.size(), plain.size() + 8 + 8 + written.regions.size());
    EXPECT_EQ(bytes.substr(kVersionAt, 4), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(bytes.substr(kHeader, 16), std::string("\0\0\0\0\0\0\0\0\x64\0\0\0\x0C\0\0\0", 16));
    EXPECT_EQ(bytes.substr(kHeader + 16 + written.regions.size()), plain.substr(kHeader));
    MotionRecord read;
    ASSERT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kOk);
    EXPECT_EQ(read.regions, written.regions);
    EXPECT_EQ(read.WatchedPixels(), 100);
    EXPECT_EQ(read.counts, written.counts);

    // The watched count is at most the frame, the key is not empty and not longer than the file.
    const size_t watchedAt = kHeader + 8, keySizeAt = kHeader + 12;
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
    } damaged[] = {{"nothing watched", watchedAt, 0},
                   {"more watched than the frame", watchedAt, 160 * 90 + 1},
                   {"no key", keySizeAt, 0},
                   {"a key past the end", keySizeAt, 0x7FFFFFFF}};
    for (const auto& d : damaged) {
        std::string bad = bytes;
        PutU32(bad, d.at, d.value);
        Write(path, bad);
        EXPECT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kDamaged) << d.what;
    }
    // A count past what the writer can hold is damaged too, even where the frame is that large.
    std::string huge = bytes;
    PutU32(huge, kWidthAt, 65536);
    PutU32(huge, kHeightAt, 65536);
    PutU32(huge, watchedAt, 0x80000000u);
    Write(path, huge);
    EXPECT_EQ(ReadMotionRecord(path, written.input, read), RecordStatus::kDamaged);
    written.watched = 160 * 90 + 1;
    EXPECT_FALSE(WriteMotionRecord(path, written));
    written.regions.clear();
    ASSERT_TRUE(WriteMotionRecord(path, written));
    EXPECT_EQ(Read(path), plain);
}

TEST_F(MotionRecordTest, AMissingFileIsMissingAndOtherThingsAtThePathAreDamaged) {
    MotionRecord read;
    const InputIdentity input;
    EXPECT_EQ(ReadMotionRecord(PathOf("none.kpmotion"), input, read), RecordStatus::kMissing);
    EXPECT_EQ(ReadMotionRecord(PathOf("no folder/none.kpmotion"), input, read), RecordStatus::kMissing);
    Write(PathOf("file"), "x");
    EXPECT_EQ(ReadMotionRecord(PathOf("file/none.kpmotion"), input, read), RecordStatus::kMissing);
    EXPECT_EQ(ReadMotionRecord(m_folder.string(), input, read), RecordStatus::kDamaged) << "a folder";

    EXPECT_STREQ(RecordStatusText(RecordStatus::kOk), "ok");
    EXPECT_STREQ(RecordStatusText(RecordStatus::kMissing), "missing");
    EXPECT_STREQ(RecordStatusText(RecordStatus::kDamaged), "damaged");
    EXPECT_STREQ(RecordStatusText(RecordStatus::kOtherVersion), "other version");
    EXPECT_STREQ(RecordStatusText(RecordStatus::kOtherInput), "other input");
}

TEST_F(MotionRecordTest, ARecordOfAnotherOrAChangedInputIsNotUsed) {
    MotionRecord written;
    const std::string path = WriteSample(written);
    const std::string video = PathOf("video.mp4");
    InputIdentity now;
    MotionRecord read;

    // Same name and size, other content, the time put back: the hashes tell.
    Write(video, "not really a VIDEO");
    SetModified(video, 1700000000, 123456789);
    ASSERT_TRUE(ReadInputIdentity(video, now));
    EXPECT_EQ(now.size, written.input.size);
    EXPECT_EQ(now.mtimeNs, written.input.mtimeNs);
    EXPECT_EQ(ReadMotionRecord(path, now, read), RecordStatus::kOtherInput);

    // Same content, touched a nanosecond later.
    Write(video, "not really a video");
    SetModified(video, 1700000000, 123456790);
    ASSERT_TRUE(ReadInputIdentity(video, now));
    EXPECT_EQ(now.headHash, written.input.headHash);
    EXPECT_EQ(ReadMotionRecord(path, now, read), RecordStatus::kOtherInput);
    EXPECT_TRUE(read.counts.empty());

    SetModified(video, 1700000000, 123456789);
    ASSERT_TRUE(ReadInputIdentity(video, now));
    EXPECT_EQ(ReadMotionRecord(path, now, read), RecordStatus::kOk) << "the very same file again";
}

TEST_F(MotionRecordTest, IdentityOfASmallFile) {
    InputIdentity identity;
    EXPECT_FALSE(ReadInputIdentity(PathOf("none"), identity));
    EXPECT_FALSE(ReadInputIdentity(m_folder.string(), identity)) << "a folder";

    // FNV-1a 64 reference values: the empty input and "foobar".
    const std::string empty = PathOf("empty");
    Write(empty, "");
    ASSERT_TRUE(ReadInputIdentity(empty, identity));
    EXPECT_EQ(identity.size, 0u);
    EXPECT_EQ(identity.headHash, 0xcbf29ce484222325ull);
    EXPECT_EQ(identity.tailHash, 0xcbf29ce484222325ull);

    const std::string small = PathOf("small");
    Write(small, "foobar");
    SetModified(small, 1600000000, 5);
    ASSERT_TRUE(ReadInputIdentity(small, identity));
    EXPECT_EQ(identity.size, 6u);
    EXPECT_EQ(identity.mtimeNs, 1600000000LL * 1000000000 + 5);
    EXPECT_EQ(identity.headHash, 0x85944171f73967e8ull);
    EXPECT_EQ(identity.tailHash, identity.headHash) << "a file under 1 MiB is hashed whole for both";
}

TEST_F(MotionRecordTest, IdentityOfALargeFileLooksAtItsFirstAndLastMiB) {
    const std::string video = PathOf("large.mp4");
    std::string bytes(2 * kMiB + 4096, '\0');
    // Not periodic, so that the head and the tail hold different bytes.
    uint64_t state = 1;
    for (char& byte : bytes) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        byte = static_cast<char>(state >> 56);
    }
    Write(video, bytes);
    SetModified(video, 1700000000, 0);
    InputIdentity original;
    ASSERT_TRUE(ReadInputIdentity(video, original));
    EXPECT_EQ(original.size, bytes.size());
    EXPECT_NE(original.headHash, original.tailHash);

    auto identityWith = [&](size_t at) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(changed[at] ^ 0x55);
        Write(video, changed);
        SetModified(video, 1700000000, 0);
        InputIdentity identity;
        EXPECT_TRUE(ReadInputIdentity(video, identity));
        return identity;
    };

    // A change between the hashed MiBs, with the time put back, is invisible; in real use the rewrite sets
    // a new modification time, and that is what catches it.
    EXPECT_EQ(identityWith(kMiB + 2048), original);

    const InputIdentity lastByte = identityWith(bytes.size() - 1);
    EXPECT_EQ(lastByte.headHash, original.headHash);
    EXPECT_NE(lastByte.tailHash, original.tailHash);

    // The edges of the two spans: the last byte of the head and the first byte of the tail.
    const InputIdentity endOfHead = identityWith(kMiB - 1);
    EXPECT_NE(endOfHead.headHash, original.headHash);
    EXPECT_EQ(endOfHead.tailHash, original.tailHash);
    const InputIdentity startOfTail = identityWith(bytes.size() - kMiB);
    EXPECT_EQ(startOfTail.headHash, original.headHash);
    EXPECT_NE(startOfTail.tailHash, original.tailHash);
    EXPECT_EQ(identityWith(kMiB).headHash, original.headHash) << "just past the head";
    EXPECT_EQ(identityWith(bytes.size() - kMiB - 1).tailHash, original.tailHash) << "just before the tail";
}

TEST(MotionRecordPathTest, TheProjectExtensionIsReplaced) {
    struct Case {
        const char* project;
        const char* record;
    } cases[] = {
        {"a/b.kpproj", "a/b.kpmotion"},
        {"b.kpproj", "b.kpmotion"},
        {"/home/x/holiday.trip.kpproj", "/home/x/holiday.trip.kpmotion"},
        {"a/b", "a/b.kpmotion"},
        {"a.d/b", "a.d/b.kpmotion"},  // a dot in a folder is not an extension
        {"b", "b.kpmotion"},
    };
    for (const Case& c : cases) EXPECT_EQ(MotionRecordPath(c.project), c.record) << c.project;
}
