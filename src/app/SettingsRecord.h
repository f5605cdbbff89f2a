#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The 892-byte settings record kept under "App Settings"/"All Data": little-endian, no header or version.
//   0..511 reserved (zeros), 512..596 language (NUL-terminated), 597..599 padding, 600..615 window_rect,
//   616 use_cuda, 620 auto_save, 624 auto_load, 628..887 last project (NUL-terminated), 888 quality.
struct SettingsRecord {
    static constexpr std::size_t kSize = 892;
    static constexpr std::size_t kLanguageOffset = 512;
    static constexpr std::size_t kLanguageSize = 85;
    static constexpr std::size_t kWindowRectOffset = 600;
    static constexpr std::size_t kUseCudaOffset = 616;
    static constexpr std::size_t kAutoSaveOffset = 620;
    static constexpr std::size_t kAutoLoadOffset = 624;
    static constexpr std::size_t kLastProjectOffset = 628;
    static constexpr std::size_t kLastProjectSize = 260;
    static constexpr std::size_t kQualityOffset = 888;

    std::string language;
    std::int32_t windowRect[4] = {0, 0, 0, 0};  // left, top, right, bottom
    bool useCuda = false;
    bool autoSave = false;
    bool autoLoad = false;
    std::string lastProject;
    int quality = 0;

    // Reads min(size, 892) bytes; what is missing counts as zero. A quality outside 0..2 reads as 0, so a
    // damaged record never selects an encoder preset that does not exist.
    static SettingsRecord Decode(const std::vector<std::uint8_t>& bytes);
    // Always 892 bytes. A language or path too long for its field (84 and 259 bytes) is written empty:
    // a cut-off path could name another file.
    std::vector<std::uint8_t> Encode() const;
};
