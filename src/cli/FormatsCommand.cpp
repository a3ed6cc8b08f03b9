#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "Json.h"
#include "engine/options/OutputFields.h"
#include "formats/FormatCatalog.h"
#include "formats/PresetCatalog.h"

namespace mw::cli {

namespace {

constexpr FormatClass kClasses[] = {FormatClass::Video, FormatClass::Device, FormatClass::Audio};

void WriteJson() {
    JsonWriter json;
    json.BeginObject();
    json.Key("classes");
    json.BeginArray();
    for (FormatClass formatClass : kClasses) {
        json.BeginObject();
        json.Member("name", ClassName(formatClass));
        json.Key("formats");
        json.BeginArray();
        for (const OutputFormat& format : OutputFormatsOf(formatClass)) {
            json.BeginObject();
            json.Member("key", format.EditionKey);
            json.Member("extension", format.Extension);
            json.Member("default", std::int64_t{format.DefaultRow});
            json.Key("presets");
            json.BeginArray();
            for (int row = 0; row < format.Rows; ++row) {
                TOutputOptions options;
                const PresetSize size = ApplyPreset(format, row, options, std::nullopt);
                json.BeginObject();
                json.Member("row", std::int64_t{row});
                json.Member("label", PresetsOf(format).Rows[static_cast<std::size_t>(row)].Label);
                json.Key("values");
                json.BeginObject();
                for (const OutputFieldValue& field : ChangedOutputFields(options)) {
                    if (field.Numeric) {
                        json.Key(field.Name);
                        json.Number(static_cast<std::int64_t>(std::stoll(field.Value)));
                    } else {
                        json.Member(field.Name, field.Value);
                    }
                }
                json.EndObject();
                json.Key("size");
                if (size.Width > 0 && size.Height > 0) {
                    json.BeginArray();
                    json.Number(std::int64_t{size.Width});
                    json.Number(std::int64_t{size.Height});
                    json.EndArray();
                } else {
                    json.Null();
                }
                json.EndObject();
            }
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    std::printf("%s\n", json.Text().c_str());
}

void WriteText() {
    for (FormatClass formatClass : kClasses) {
        std::printf("%.*s\n", static_cast<int>(ClassName(formatClass).size()),
                    ClassName(formatClass).data());
        for (const OutputFormat& format : OutputFormatsOf(formatClass)) {
            std::printf("  %.*s (%.*s)\n", static_cast<int>(format.EditionKey.size()),
                        format.EditionKey.data(), static_cast<int>(format.Extension.size()),
                        format.Extension.data());
            for (int row = 0; row < format.Rows; ++row) {
                const std::string_view label =
                    PresetsOf(format).Rows[static_cast<std::size_t>(row)].Label;
                std::printf("   %c%2d  %.*s\n", row == format.DefaultRow ? '*' : ' ', row,
                            static_cast<int>(label.size()), label.data());
            }
        }
    }
}

}  // namespace

CommandRun AddFormatsCommand(CLI::App& program) {
    CLI::App& command = AddCommand(program, "formats", "formats [--json]",
                                   "The output classes, formats and their presets; * marks a "
                                   "format's default preset.");
    auto json = std::make_shared<bool>(false);
    command.add_flag("--json", *json, "write them as JSON");
    return [json] {
        if (*json) {
            WriteJson();
        } else {
            WriteText();
        }
        return kExitOk;
    };
}

}  // namespace mw::cli
