#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace mw {

struct EditionConfig;
struct UserSettings;

enum class FormatClass : std::uint8_t { Video = 0, Device = 1, Audio = 2 };

// One output format of the catalogue and its fixed properties.
struct OutputFormat {
    FormatClass Class;
    int Index;                        // within its class
    std::string_view EditionKey;      // "AVI", "IPOD", "MP3"
    std::string_view Name;            // "AVI", "iPod", "mobile phone"
    std::string_view ButtonName;      // ButtonFormatAVI
    std::string_view PresetListName;  // ImageComboBoxAVIPresets
    std::string_view SettingsKey;     // OutputAVIPreset
    std::string_view Extension;       // ".avi"
    int Rows;
    int DefaultRow;
};

// The 24 formats: video, then device, then audio, each class in index order.
std::span<const OutputFormat> OutputFormats();
std::span<const OutputFormat> OutputFormatsOf(FormatClass formatClass);

const OutputFormat* FindOutputFormat(FormatClass formatClass, int index);
// By edition key, without regard to case ("avi", "iPod").
const OutputFormat* FindOutputFormat(std::string_view editionKey);

std::string_view ClassName(FormatClass formatClass);

// The format the settings have chosen (class and that class's format index), or null.
const OutputFormat* SelectedFormat(const UserSettings& settings);

// Chooses a format and its preset row in the settings: the class, that class's format
// index and the format's preset index.
void SelectOutputFormat(UserSettings& settings, const OutputFormat& format, int presetIndex);

// Whether the edition offers a format.
bool FormatEnabled(const EditionConfig& edition, const OutputFormat& format);

// Points the settings at formats the edition offers: a class's stored format that the
// edition switched off gives way to the first format of that class it offers, and a chosen
// class without any to the first class with one. Stored files may name any format.
void KeepEnabledFormats(UserSettings& settings, const EditionConfig& edition);

// The extension of the chosen format with its dot, or empty for a choice out of range.
std::string OutputExtension(const UserSettings& settings);

}  // namespace mw
