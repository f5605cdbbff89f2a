#include "engine/probe/ProbeCache.h"

#include <sys/stat.h>

#include <algorithm>

std::optional<ProbeCache::Stamp> ProbeCache::StampOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    Stamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

std::optional<std::string> ProbeCache::Find(const std::string& path, const Stamp& stamp) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Entry& entry : m_entries) {
        if (entry.path == path && entry.stamp == stamp) return entry.report;
    }
    return std::nullopt;
}

void ProbeCache::Store(const std::string& path, const Stamp& stamp, std::string report) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.erase(
        std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry& entry) { return entry.path == path; }),
        m_entries.end());
    if (m_entries.size() >= kCapacity) m_entries.erase(m_entries.begin());
    m_entries.push_back(Entry{path, stamp, std::move(report)});
}

void ProbeCache::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}
