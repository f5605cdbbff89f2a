#include "app/SettingsRecord.h"

#include <algorithm>
#include <cstring>

namespace {

std::int32_t ReadInt32(const std::vector<std::uint8_t>& b, std::size_t offset) {
    const std::uint32_t v = std::uint32_t(b[offset]) | std::uint32_t(b[offset + 1]) << 8 |
                            std::uint32_t(b[offset + 2]) << 16 | std::uint32_t(b[offset + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

void WriteInt32(std::vector<std::uint8_t>& b, std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string ReadText(const std::vector<std::uint8_t>& b, std::size_t offset, std::size_t size) {
    const auto first = b.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto last = std::find(first, first + static_cast<std::ptrdiff_t>(size), std::uint8_t(0));
    return std::string(first, last);
}

void WriteText(std::vector<std::uint8_t>& b, std::size_t offset, std::size_t size, const std::string& text) {
    if (text.size() >= size) return;  // the field stays empty (zeros)
    std::memcpy(b.data() + offset, text.data(), text.size());
}

}  // namespace

SettingsRecord SettingsRecord::Decode(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> b(kSize, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), kSize), b.begin());
    SettingsRecord r;
    r.language = ReadText(b, kLanguageOffset, kLanguageSize);
    for (int i = 0; i < 4; ++i) r.windowRect[i] = ReadInt32(b, kWindowRectOffset + 4 * i);
    r.useCuda = ReadInt32(b, kUseCudaOffset) != 0;
    r.autoSave = ReadInt32(b, kAutoSaveOffset) != 0;
    r.autoLoad = ReadInt32(b, kAutoLoadOffset) != 0;
    r.lastProject = ReadText(b, kLastProjectOffset, kLastProjectSize);
    const std::int32_t quality = ReadInt32(b, kQualityOffset);
    r.quality = (quality >= 0 && quality <= 2) ? quality : 0;
    return r;
}

std::vector<std::uint8_t> SettingsRecord::Encode() const {
    std::vector<std::uint8_t> b(kSize, 0);
    WriteText(b, kLanguageOffset, kLanguageSize, language);
    for (int i = 0; i < 4; ++i) WriteInt32(b, kWindowRectOffset + 4 * i, windowRect[i]);
    WriteInt32(b, kUseCudaOffset, useCuda ? 1 : 0);
    WriteInt32(b, kAutoSaveOffset, autoSave ? 1 : 0);
    WriteInt32(b, kAutoLoadOffset, autoLoad ? 1 : 0);
    WriteText(b, kLastProjectOffset, kLastProjectSize, lastProject);
    WriteInt32(b, kQualityOffset, quality);
    return b;
}
