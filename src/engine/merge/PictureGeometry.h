#pragma once

// The picture the effects and the captions are laid out on.

struct VideoInfo;

struct PictureSize {
    int w = 0;
    int h = 0;
};

// sar_num / sar_den, or 1 when either is not positive (an unknown ratio is probed as 0:1).
double SampleAspectRatio(const VideoInfo& info);

// Width and height of the current video, exchanged with swap.
PictureSize EffectsPictureSize(const VideoInfo& info, bool swap);

// Height of one cinemascope bar for the longer side mx and the shorter side mn of the display picture:
// the visible band is 2.35:1 rounded to a multiple of 8 rows.
int CinemascopeBar(int mx, int mn);
