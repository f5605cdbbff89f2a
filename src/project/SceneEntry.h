#pragma once

#include <cstdint>
#include <string>

// The records a scene list is made of: a probed video's properties, a caption, and one scene.

// Properties of one video file as probed.
struct VideoInfo {
    std::string r_frame_rate;
    double fps = 0;
    int frame_num = 0;
    int width = 0;
    int height = 0;
    int rotation = 0;
    int start_frame = 0;
    std::string field_order;
    int sar_num = 1;
    int sar_den = 1;
    bool has_audio = false;
    // Read for the frame-time list, never stored in a project: the stream's own base rate and length (0 when
    // not stated), and how long after the container's start its first frame comes.
    double nominal_fps = 0;
    double duration = 0;
    double start_offset = 0;
    // The file's creation_time tag as probed (the container's, else the video stream's; empty when none): where
    // the recording's clock comes from. Never stored either.
    std::string creation_time;

    bool operator==(const VideoInfo&) const = default;
};

// Snaps fps to the nearest of the 17 standard rates when it lies within 0.005 of one; otherwise nothing.
void SnapFrameRate(VideoInfo& info, bool adjust);

// One caption; colour is 0xAABBGGRR, flags are 0 off or -1 on. Defaults are the default scene caption.
struct CaptionParam {
    double capTime_first = 0;
    double capTime_second = 0;
    std::string caption;
    int cap_pos_type = 2;  // numeric-keypad layout, 0 = none
    std::string font_name = "Yu Gothic UI";
    int font_size = 24;
    uint32_t color = 0x00FFFFFF;
    int bold = 0;
    int italic = 0;
    int underline = 0;
    int strike_uut = 0;
    int encoding = 128;
    int outline = 2;

    bool operator==(const CaptionParam&) const = default;
};

CaptionParam DefaultSceneCaption();
CaptionParam DefaultWatermarkCaption();
CaptionParam DefaultTitleCaption();
// A title text that fades in and out over half a second at each end.
std::string FadingTitle(const std::string& text);

// One row of the scene list: a kept stretch of the input, or one input video of the merge workflow.
struct SceneEntry {
    bool m_created = true;
    bool enable = true;
    int framNo_first = 0;
    int framNo_second = 0;  // inclusive
    std::string m_sourcePath;
    std::string m_fileToUse;
    std::string fileName;
    CaptionParam capParam;
    VideoInfo m_segmentInfo;
    VideoInfo m_convertedInfo;

    SceneEntry();
    SceneEntry(int first, int second, std::string fileName);
    int FrameCount() const;

    bool operator==(const SceneEntry&) const = default;
};
