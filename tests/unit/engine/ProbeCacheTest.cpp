#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "engine/probe/ProbeCache.h"

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "/probe_cache_" + name; }

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::trunc) << text; }

// Gives a file a fixed modification time, so that a rewrite within the same clock tick is also tested.
void SetModified(const std::string& path, long seconds) {
    const struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

}  // namespace

TEST(ProbeCacheTest, AnUnchangedFileIsAnsweredFromTheCache) {
    const std::string path = TempPath("same.mp4");
    Write(path, "video");
    ProbeCache cache;
    const auto stamp = ProbeCache::StampOf(path);
    ASSERT_TRUE(stamp);
    EXPECT_FALSE(cache.Find(path, *stamp));
    cache.Store(path, *stamp, "{report}");
    EXPECT_EQ(cache.Find(path, *ProbeCache::StampOf(path)).value_or(""), "{report}");
    cache.Clear();
    EXPECT_FALSE(cache.Find(path, *stamp));
    std::remove(path.c_str());
}

TEST(ProbeCacheTest, AChangedOrReplacedFileIsProbedAgain) {
    const std::string path = TempPath("changed.mp4");
    Write(path, "first");
    SetModified(path, 1000000);
    ProbeCache cache;
    cache.Store(path, *ProbeCache::StampOf(path), "{first}");

    // Same size and time, other content written in place: only a new time or size can tell, so the
    // rewrite a cut does (which always sets the time) must change the stamp.
    Write(path, "other");
    EXPECT_FALSE(cache.Find(path, *ProbeCache::StampOf(path))) << "a rewrite sets a new time";
    SetModified(path, 1000000);
    EXPECT_TRUE(cache.Find(path, *ProbeCache::StampOf(path)));

    Write(path, "longer content");  // grows
    SetModified(path, 1000000);
    EXPECT_FALSE(cache.Find(path, *ProbeCache::StampOf(path)));

    // Replaced by another file of the same size and time (a rename over it): another inode.
    const std::string other = TempPath("replacement.mp4");
    Write(other, "first");
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    SetModified(path, 1000000);
    EXPECT_FALSE(cache.Find(path, *ProbeCache::StampOf(path)));
    std::remove(path.c_str());
}

TEST(ProbeCacheTest, OnlyReadableRegularFilesHaveAStamp) {
    EXPECT_FALSE(ProbeCache::StampOf(""));
    EXPECT_FALSE(ProbeCache::StampOf(TempPath("missing.mp4")));
    EXPECT_FALSE(ProbeCache::StampOf(::testing::TempDir()));
}

TEST(ProbeCacheTest, KeepsTheNewestEntriesAndOneEntryPerPath) {
    ProbeCache cache;
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i) {
        paths.push_back(TempPath("n" + std::to_string(i) + ".mp4"));
        Write(paths.back(), "x");
        cache.Store(paths.back(), *ProbeCache::StampOf(paths.back()), "r" + std::to_string(i));
    }
    EXPECT_FALSE(cache.Find(paths[0], *ProbeCache::StampOf(paths[0]))) << "the oldest of nine goes";
    for (int i = 1; i < 9; ++i) {
        EXPECT_EQ(cache.Find(paths[i], *ProbeCache::StampOf(paths[i])).value_or(""), "r" + std::to_string(i));
    }
    cache.Store(paths[1], *ProbeCache::StampOf(paths[1]), "newer");
    EXPECT_EQ(cache.Find(paths[1], *ProbeCache::StampOf(paths[1])).value_or(""), "newer");
    for (const std::string& path : paths) std::remove(path.c_str());
}
