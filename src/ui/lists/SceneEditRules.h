#pragma once

#include <string>
#include <vector>

#include "project/TarneloData.h"

// What the user may do to the rows of a scene list: the range a frame cell may take, a typed value applied
// to a scene, copying, splitting, deleting and swapping rows. Plain data in and out, so the rules are
// checked without a window; the project's scene list applies the changes.

// The columns whose values are edited in place (those of SceneListModel).
constexpr int kEditColumnStart = 1;
constexpr int kEditColumnEnd = 2;
constexpr int kEditColumnLength = 3;
inline bool IsFrameColumn(int column) { return column >= kEditColumnStart && column <= kEditColumnLength; }

// The shortest scene in frames: round(fps * minimum seconds), at least 1.
int MinSceneFrames(double fps, double minimumSeconds);

struct FrameEditRange {
    int minimum = 0;
    int maximum = 0;
    int current = 0;
};

// The range of the cell (row, column) bounded by the neighbouring scenes and the input's frameCount, with m
// the shortest scene. False for a row or column that has none.
bool SceneEditRange(const std::vector<SceneEntry>& list, int row, int column, int m, int frameCount,
                    FrameEditRange& range);

// The number a user typed, read as a decimal (0 when it is none), clamped into the range and truncated.
int ParseFrameValue(const std::string& text, const FrameEditRange& range);

// Applies value to the column's field (start, end, or length = end - start + 1) and fits the caption.
void ApplyFrameValue(SceneEntry& scene, int column, int value, const FrameClock& clock);

// Keeps the caption inside the scene's duration D (rounded to hundredths): the start in [0, D - 0.01], the
// length in [0.01, D].
void FitCaptionTimes(SceneEntry& scene, const FrameClock& clock);

// The first frame of the second part when splitting [a, b] at a + playFrame: at least m frames each side.
int SplitFrame(const SceneEntry& scene, int playFrame, int m);
// A scene can be split when both parts can be m frames long.
bool CanSplit(const SceneEntry& scene, int m);

// The name of the segment file of [first, last].
std::string SceneSegmentName(const CTarneloData& data, int first, int last);

// Splits row [a, b] at p into [a, p - 1] (a new row before it, caption from its start) and [p, b] (keeping
// the caption's start), each with its own segment file; times at the source's frame rate. Returns the file the row had,
// to be deleted; empty when nothing was split.
std::string SplitSceneRow(CTarneloData& data, int row, int p);
