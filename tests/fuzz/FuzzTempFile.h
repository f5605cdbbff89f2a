#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

// A folder of the fuzzing process's own, made once, holding the files the readers that only take a path
// are given. Each input overwrites the same few files, so a long run leaves nothing behind but them.
inline const std::string& FuzzTempFolder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnelo-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern + "/";
    }();
    return folder;
}

// Replaces the file at path with exactly the bytes given.
inline void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}
