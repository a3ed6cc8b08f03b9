#pragma once

#include <set>
#include <string>

#include "engine/options/OptionRecords.h"
#include "engine/probe/AVProbe.h"

namespace mw {

struct UserSettings;

// Fits an input picture of width x height and display aspect into a width x height frame
// of the preset without distorting it: FrameSize, the pads and AspectRatio. The frame is
// shown at frameAspect, or with square pixels when that is 0; an input aspect of 0 means
// square pixels too.
void FitFrameSize(TOutputOptions& options, int frameWidth, int frameHeight, int inputWidth,
                  int inputHeight, float inputAspect, float frameAspect = 0.0f);

// The display shape of a preset's frame: 4:3 for disc targets, 0 (square pixels) otherwise.
float FrameDisplayAspect(const TOutputOptions& options);

// The output name for an input: the file name with the format's extension, in the output
// folder, made unique against existing files and against takenNames (names handed out
// earlier in the same run).
std::string OutputFileName(const std::string& inputName, const UserSettings& settings,
                           const std::set<std::string>& takenNames);

// The output record of one input the probe has open, from the chosen format and preset.
TOutputOptions BuildOutputOptions(TCustomAVProbe& probe, const UserSettings& settings,
                                  const std::set<std::string>& takenNames = {});

// The input record of one input the probe has open.
TInputOptions BuildInputOptions(TCustomAVProbe& probe);

}  // namespace mw
