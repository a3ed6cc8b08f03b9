#include "QualityPreference.h"

#include <algorithm>

namespace mw {

namespace {

constexpr std::array<QualityType, kQualityTypeCount> kQualityTypes = {{
    {"[HQ6]", "&fmt=6", "FLV", "480x270", "Mono",
     "[HQ6] - Format: FLV; Video: 480x270; Audio: Mono", ".flv"},
    {"[HQ18]", "&fmt=18", "MP4", "480x360", "Stereo",
     "[HQ18] - Format: MP4; Video: 480x360; Audio: Sterro", ".mp4"},
    {"[HQ35]", "&fmt=35", "FLV", "640x360", "Mono",
     "[HQ35] - Format: FLV; Video: 640x360; Audio: Mono", ".flv"},
    {"[HQ22]", "&fmt=22", "MP4", "1280x720", "Stereo",
     "[HQ22] - Format: MP4; Video: 1280x720; Audio: Sterro", ".mp4"},
    {"[HQ13]", "&fmt=13", "3GP", "176x144", "Mono",
     "[HQ13] - Format: 3GP; Video: 176x144; Audio: Mono", ".3gp"},
    {"[HQ17]", "&fmt=17", "3GP", "176x144", "Stereo",
     "[HQ17] - Format: 3GP; Video: 176x144; Audio: Sterro", ".3gp"},
    {"[HQ34]", "&fmt=34", "FLV", "320x240", "Mono",
     "[HQ34] - Format: FLV; Video: 320x240; Audio: Mono", ".flv"},
    {"[HQ37]", "&fmt=37", "MP4", "1920x1080", "Stereo",
     "[HQ37] - Format: MP4; Video: 1920x1080; Audio: Sterro", ".mp4"},
}};

// The order's entry of an attempt position, or none for position 0 and beyond the order.
const QualityType* EntryOf(const std::vector<int>& order, int position) {
    if (position < 1 || position > static_cast<int>(order.size())) {
        return nullptr;
    }
    return QualityTypeOf(order[static_cast<std::size_t>(position - 1)]);
}

}  // namespace

const QualityType* QualityTypeOf(int type) {
    if (type < 0 || type >= kQualityTypeCount) {
        return nullptr;
    }
    return &kQualityTypes[static_cast<std::size_t>(type)];
}

int QualityTypeOfTag(std::string_view tag) {
    const auto it = std::find_if(kQualityTypes.begin(), kQualityTypes.end(),
                                 [tag](const QualityType& type) { return type.Tag == tag; });
    return it == kQualityTypes.end() ? 0 : static_cast<int>(it - kQualityTypes.begin());
}

std::optional<int> QualityTypeOfFmt(int fmtCode) {
    const std::string parameter = "&fmt=" + std::to_string(fmtCode);
    const auto it = std::find_if(
        kQualityTypes.begin(), kQualityTypes.end(),
        [&parameter](const QualityType& type) { return type.UrlParameter == parameter; });
    if (it == kQualityTypes.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - kQualityTypes.begin());
}

std::string QualityTag(const std::vector<int>& order, int position) {
    const QualityType* type = EntryOf(order, position);
    return std::string(type ? type->Tag : kDefaultQualityTag);
}

std::string QualityDescription(std::string_view tag) {
    for (const QualityType& type : kQualityTypes) {
        if (type.Tag == tag) {
            return std::string(type.Description);
        }
    }
    return std::string(kDefaultQualityTag);
}

std::string FmtParameter(int type) {
    const QualityType* row = QualityTypeOf(type);
    return row ? std::string(row->UrlParameter) : std::string();
}

std::optional<int> FmtCode(int type) {
    const QualityType* row = QualityTypeOf(type);
    if (row == nullptr) {
        return std::nullopt;
    }
    return std::stoi(std::string(row->UrlParameter.substr(row->UrlParameter.find('=') + 1)));
}

std::string QualityExtension(const std::vector<int>& order, int position) {
    const QualityType* type = EntryOf(order, position);
    return std::string(type ? type->Extension : kDefaultQualityExtension);
}

std::string PreferenceLabel(const QualityPreference& order, bool preferHighQuality) {
    if (!preferHighQuality) {
        return std::string(kDefaultQualityLabel);
    }
    std::string label = "Prefer: ";
    for (std::size_t i = 0; i < order.size(); ++i) {
        const QualityType* type = QualityTypeOf(order[i]);
        if (type == nullptr) {
            return std::string(kDefaultQualityLabel);
        }
        label += (i == 0 ? "" : " > ") + std::string(type->Tag);
    }
    return label;
}

std::vector<int> AttemptOrder(const QualityPreference& order) {
    return {order.begin(), order.end()};
}

}  // namespace mw
