#include "engine/options/LegacyOptions.h"

#include <array>
#include <utility>

namespace mw {

namespace {

struct SignedToken {
    bool On;
    std::string Name;
};

// "+a-b+c" or "a+b": each entry with its sign; an entry without one is switched on.
std::vector<SignedToken> SplitFlags(std::string_view value) {
    std::vector<SignedToken> tokens;
    std::size_t i = 0;
    while (i < value.size()) {
        bool on = true;
        if (value[i] == '+' || value[i] == '-') {
            on = value[i] == '+';
            ++i;
        }
        const std::size_t end = value.find_first_of("+-", i);
        const std::size_t stop = end == std::string_view::npos ? value.size() : end;
        if (stop > i) {
            tokens.push_back({on, std::string(value.substr(i, stop - i))});
        }
        i = stop;
    }
    return tokens;
}

// flags2 entries of the 2010 libraries and the libx264 option each became.
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kFlags2 = {{
    {"mixed_refs", "mixed-refs"},
    {"wpred", "weightb"},
    {"dct8x8", "8x8dct"},
    {"fastpskip", "fast-pskip"},
    {"mbtree", "mbtree"},
    {"bpyramid", "b-pyramid"},
    {"aud", "aud"},
    {"ssim", "ssim"},
    {"intra_refresh", "intra-refresh"},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kPartitions = {{
    {"parti8x8", "i8x8"},
    {"parti4x4", "i4x4"},
    {"partp8x8", "p8x8"},
    {"partp4x4", "p4x4"},
    {"partb8x8", "b8x8"},
}};

template <std::size_t N>
const std::string_view* Lookup(
    const std::array<std::pair<std::string_view, std::string_view>, N>& table,
    std::string_view key) {
    for (const auto& [from, to] : table) {
        if (from == key) {
            return &to;
        }
    }
    return nullptr;
}

std::vector<NamedOption> MapFlags2(std::string_view value) {
    const std::vector<SignedToken> tokens = SplitFlags(value);
    std::vector<NamedOption> mapped;
    for (const SignedToken& token : tokens) {
        const std::string_view* name = Lookup(kFlags2, token.Name);
        if (!name) {
            // Not an entry of the old set: the value may be a current flags2 value.
            return {{"flags2", std::string(value)}};
        }
        if (*name == "b-pyramid") {
            mapped.push_back({"b-pyramid", token.On ? "normal" : "none"});
        } else {
            mapped.push_back({std::string(*name), token.On ? "1" : "0"});
        }
    }
    return mapped;
}

std::vector<NamedOption> MapPartitions(std::string_view value) {
    std::string list;
    for (const SignedToken& token : SplitFlags(value)) {
        const std::string_view* name = Lookup(kPartitions, token.Name);
        if (!name) {
            return {{"partitions", std::string(value)}};
        }
        // The old syntax listed every partition with a sign; only the "+" ones are on.
        if (token.On) {
            list += (list.empty() ? "" : ",") + std::string(*name);
        }
    }
    return {{"partitions", list.empty() ? "none" : list}};
}

std::string MotionEstimation(std::string_view value) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kMethods = {{
        {"zero", "dia"},
        {"epzs", "dia"},
        {"full", "esa"},
        {"x1", "hex"},
        {"log", "hex"},
        {"phods", "hex"},
        {"iter", "hex"},
    }};
    const std::string_view* mapped = Lookup(kMethods, value);
    return mapped ? std::string(*mapped) : std::string(value);
}

}  // namespace

std::vector<NamedOption> MapLegacyOption(std::string_view name, std::string_view value,
                                         LegacyOptionState& state) {
    if (name == "flags2") {
        return MapFlags2(value);
    }
    if (name == "partitions") {
        return MapPartitions(value);
    }
    if (name == "directpred") {
        return {{"direct-pred", std::string(value)}};
    }
    if (name == "cqp") {
        return {{"qp", std::string(value)}};
    }
    if (name == "me_method") {
        return {{"motion-est", MotionEstimation(value)}};
    }
    if (name == "wpredp") {
        return {{"weightp", std::string(value)}};
    }
    if (name == "deblockalpha" || name == "deblockbeta") {
        (name == "deblockalpha" ? state.DeblockAlpha : state.DeblockBeta) = std::string(value);
        return {{"deblock", state.DeblockAlpha + ":" + state.DeblockBeta}};
    }
    return {{std::string(name), std::string(value)}};
}

const std::vector<NamedOption>& LegacyX264Defaults() {
    static const std::vector<NamedOption> defaults = {
        {"bf", "0"},      {"coder", "cavlc"},  {"refs", "1"},       {"8x8dct", "0"},
        {"weightb", "0"}, {"weightp", "none"}, {"mixed-refs", "0"}, {"b-pyramid", "none"},
    };
    return defaults;
}

}  // namespace mw
