#pragma once

// The frame sizes and rates join accepts: exactly the entries of the merge tab's two choice lists.

#include <optional>
#include <string>
#include <string_view>

#include "engine/merge/ConvertMerge.h"

namespace cli {

// 1920x1080 and 60000/1001, where the merge tab starts.
inline constexpr int kDefaultChoiceIndex = kDefaultMergeChoice;

// "WxH" (or "WXH") naming an entry of FrameSizeList; its index.
inline std::optional<int> FindFrameSizeChoice(std::string_view text) {
    const auto& sizes = FrameSizeList();
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::string lower = std::to_string(sizes[i].width) + "x" + std::to_string(sizes[i].height);
        const std::string upper = std::to_string(sizes[i].width) + "X" + std::to_string(sizes[i].height);
        if (text == lower || text == upper) return static_cast<int>(i);
    }
    return std::nullopt;
}

// An entry of FrameRateList as "N/D", as the merge tab shows it ("59.94"), or as a whole number for N/1.
inline std::optional<int> FindFrameRateChoice(std::string_view text) {
    const auto& rates = FrameRateList();
    for (size_t i = 0; i < rates.size(); ++i) {
        const FrameRate& rate = rates[i];
        if (text == FrameRateText(rate) || text == FrameRateLabel(rate) ||
            (rate.den == 1 && text == std::to_string(rate.num))) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

inline std::string AllowedSizesText() {
    std::string text;
    for (const FrameSize& size : FrameSizeList()) {
        text += (text.empty() ? "" : ", ") + std::to_string(size.width) + "x" + std::to_string(size.height);
    }
    return text;
}

inline std::string AllowedRatesText() {
    std::string text;
    for (const FrameRate& rate : FrameRateList()) {
        text += (text.empty() ? "" : ", ") + FrameRateText(rate);
        if (rate.den != 1) text += " (" + FrameRateLabel(rate) + ")";
    }
    return text;
}

}  // namespace cli
