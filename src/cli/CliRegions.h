#pragma once

// The areas of the picture extract and retune watch, from --region, --exclude and --regions-from, and
// --save-regions.

#include "cli/CliOptions.h"
#include "cli/CliSink.h"

class CTarneloData;

namespace cli {

// Puts the areas given into the project: those of --regions-from first, then --region and --exclude. Areas
// given replace the project's; none given leave them. --save-regions then writes the project's areas.
// Returns -1 when the command goes on, else the exit status of a failure already told.
int ApplyRegionOptions(CTarneloData& data, const Options& o, CliSink& sink);
// Once the picture's size is known: warns of an area reaching beyond it and fails when the areas leave no
// pixel of it to watch. -1 when the command goes on.
int CheckRegionsFitPicture(const CTarneloData& data, CliSink& sink);

}  // namespace cli
