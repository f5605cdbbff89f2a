#pragma once

#include <vector>

#include "project/TarneloData.h"

// One row of a list as the merged output sees it: whether it is joined and how many frames it brings.
struct OutputRow {
    bool merged = false;
    int frames = 0;
};

// Where each row begins in the merged output: -1 for a row that is not merged. Merged rows follow one
// another; with a transition of D seconds at r frames per second the growth after a row is reduced by
// T = round(D * r) frames, by H = round(D * 0.5 * r) for the first and the last row of the list.
std::vector<int> ListOutputStarts(const std::vector<OutputRow>& rows, bool transition, double transitionSeconds,
                                  double fps);

// The scene list: enabled scenes, each as long as its frame range.
std::vector<int> SceneOutputStarts(const std::vector<SceneEntry>& list, bool transition, double transitionSeconds,
                                   double fps);

// The merge list: enabled and analysed videos, each as long as its converted frames, at the output rate. A
// video not analysed yet is left out of the join, so it has no start either.
std::vector<int> MergeOutputStarts(const std::vector<SceneEntry>& list, bool transition, double transitionSeconds,
                                   double outputFps);
