#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The last few ffprobe reports, each tied to the identity and state of its file (device, inode, size,
// modification time in nanoseconds). Opening a video probes it several times in a row (preparation,
// the extraction step, the preview); an unchanged file gives the same report, so only the first probe
// runs ffprobe. A file that is rewritten, grows or is replaced gets a new stamp and is probed again.
class ProbeCache {
public:
    struct Stamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = -1;
        std::int64_t modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    // The file's stamp; empty when it cannot be read (such a file is never cached).
    static std::optional<Stamp> StampOf(const std::string& path);

    std::optional<std::string> Find(const std::string& path, const Stamp& stamp) const;
    void Store(const std::string& path, const Stamp& stamp, std::string report);
    void Clear();

private:
    struct Entry {
        std::string path;
        Stamp stamp;
        std::string report;
    };
    static constexpr std::size_t kCapacity = 8;
    mutable std::mutex m_mutex;    // pooled segment tasks probe beside the job thread
    std::vector<Entry> m_entries;  // newest last
};
