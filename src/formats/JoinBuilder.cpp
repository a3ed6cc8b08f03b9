#include "JoinBuilder.h"

#include <cstdio>
#include <cstdlib>

#include "FormatCatalog.h"
#include "OptionBuilder.h"
#include "PresetCatalog.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

std::string AspectText(float aspect) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", static_cast<double>(aspect));
    return text;
}

std::string MergeName(const UserSettings& settings) {
    const std::string folder = WithTrailingBackslash(settings.OutputFileDir);
    return folder + UniqueFileName("Output_Merge" + OutputExtension(settings), folder);
}

// The first row's shape as the conversion list shows it: "WxH" and the aspect text.
bool ReadShape(const JoinRow& row, int& width, int& height, float& aspect) {
    const std::size_t x = row.Size.find('x');
    if (x == std::string::npos) {
        return false;
    }
    width = std::atoi(row.Size.substr(0, x).c_str());
    height = std::atoi(row.Size.substr(x + 1).c_str());
    char* end = nullptr;
    aspect = std::strtof(row.Aspect.c_str(), &end);
    return width > 0 && height > 0 && end && *end == '\0';
}

}  // namespace

JoinTask BuildJoinTask(TFFmpegVCL& engine, const std::vector<JoinInput>& inputs,
                       const UserSettings& settings,
                       const std::function<void(const std::string&)>& log) {
    JoinTask task;
    for (const JoinInput& input : inputs) {
        TInputOptions options;
        InitInputOptions(options);
        options.Source = input.Source;
        const bool accepted = engine.TaskCount() == 0
                                  ? engine.AddTask(input.FileName, &options) >= 0
                                  : engine.AddInputFile(0, input.FileName, &options);
        if (!accepted) {
            log("Adding file error: " + engine.LastErrorMessage());
            continue;
        }
        JoinRow row;
        row.Name = ExtractFileName(input.FileName);
        row.Duration = FormatMicroseconds(input.DurationUs);
        row.Size = std::to_string(input.Width) + "x" + std::to_string(input.Height);
        row.Aspect = AspectText(input.Aspect);
        row.Path = MergeName(settings);
        task.Rows.push_back(std::move(row));
        task.TotalMicroseconds += input.DurationUs;
        log("File has been added to convert list.");
    }
    if (task.Rows.empty()) {
        return task;
    }

    TOutputOptions& options = task.Options;
    InitOutputOptions(options);
    PresetSize size;
    if (const OutputFormat* format = SelectedFormat(settings)) {
        if (format->Class == FormatClass::Audio) {
            options.DisableVideo = true;
        }
        const std::int32_t* index = settings.PresetIndex(format->SettingsKey);
        // The input's own audio bit rate has no meaning for a join of several inputs.
        size = ApplyPreset(*format, index ? *index : -1, options, std::nullopt);
    }
    int width = 0;
    int height = 0;
    float aspect = 0.0f;
    if (size.Width > 0 && size.Height > 0 && ReadShape(task.Rows.front(), width, height, aspect)) {
        FitFrameSize(options, size.Width, size.Height, width, height, aspect,
                     FrameDisplayAspect(options));
    }
    options.Join = true;
    options.FileName = MergeName(settings);
    if (!engine.SetOutputFile(0, options.FileName, &options)) {
        engine.RemoveTask(0);
        log("Cannot do convert, error: " + engine.LastErrorMessage());
        return task;
    }
    task.Queued = true;
    return task;
}

}  // namespace mw
