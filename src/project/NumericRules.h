#pragma once

// How a person changes a numeric setting: by typing into its edit or by a click on its spin buttons.

#include <string>

struct NumericSetting;

// Text typed into a numeric edit, trimmed. When it differs from the setting's display text the value becomes
// the number read (0 for text that is not a number), clamped to the range, and the display text is rebuilt.
// True when the typed text differed from the display text (the edit is then rewritten).
bool ApplyNumericText(NumericSetting& setting, const std::string& typed);

// The changed-pixel count t (0..100,000, for a 1920x1080 frame) of a threshold setting (0..1000).
int ThresholdCount(double setting);

// One click of a spin button: delta < 0 (the up arrow) adds the step, otherwise the step is taken away;
// the value never leaves the range. True when the display text changed.
bool StepNumericSetting(NumericSetting& setting, int delta);
