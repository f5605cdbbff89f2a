#pragma once

// How the caption controls change a caption: the limits of its start and length, and filling or clearing
// the captions of every scene. No widgets, so a table test checks them.

#include "project/TarneloData.h"

// Title and watermark run up to ten hours.
inline constexpr double kWholeTimelineCaptionLimit = 36000.0;

// The longest a caption may last: the scene's duration (0 without a frame rate), or the ten hours of the
// title and the watermark (scene == nullptr).
double CaptionLimit(const SceneEntry* scene, const FrameClock& clock);

// A new start (clamped to 0 .. limit - 0.01); the length shrinks so that the caption ends within the limit.
// True when the caption changed.
bool SetCaptionStart(CaptionParam& caption, double start, double limit);
// A new length (clamped to 0.01 .. limit); the start moves back so that the caption ends within the limit.
bool SetCaptionLength(CaptionParam& caption, double length, double limit);

// True once any scene has a caption text ("全削除" then clears, else "全設定" fills).
bool AnySceneCaption(const CTarneloData& data);
// Every scene gets "Scene%03d" for its whole length; the watermark and the title get their default texts.
void FillCaptions(CTarneloData& data);
// Every scene, the watermark and the title lose their texts.
void ClearCaptions(CTarneloData& data);
