#pragma once

#include <vector>

#include "project/TarneloData.h"

// Where each row of the scene list begins in the merged output: -1 for a disabled row. Enabled rows follow
// one another; with a transition of D seconds at r frames per second the growth after a row is reduced by
// T = round(D * r) frames, by H = round(D * 0.5 * r) for the first and the last row of the list.
std::vector<int> SceneOutputStarts(const std::vector<SceneEntry>& list, bool transition, double transitionSeconds,
                                   double fps);
