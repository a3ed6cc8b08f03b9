#include "RunHarness.h"

#include <algorithm>
#include <filesystem>

namespace mw::test {

namespace {

// Registered before the tests start, so that the site runs for all of them.
[[maybe_unused]] const VideoSite& g_site = VideoSite::Instance();

}  // namespace

RunHarness::RunHarness()
    : Run([this](std::function<void()> call) { Posted.Post(std::move(call)); }, *this) {}

void RunHarness::RunToEnd(const std::vector<std::string>& links, const std::string& folder,
                          bool preferHighQuality, std::vector<int> order) {
    Run.Start(links, folder, preferHighQuality, std::move(order));
    RunUntil([] { return false; });
}

void RunHarness::RunUntil(const std::function<bool()>& done) {
    Posted.RunUntil(Main, [&] { return !Run.Running() || done(); });
}

void RunHarness::RunChanged() {
    const std::string& label = Run.Status().Quality;
    if (QualityLabels.empty() || QualityLabels.back() != label) {
        QualityLabels.push_back(label);
    }
}

void RunHarness::ItemEnded(std::size_t, const std::string& savedPath) {
    Saved.push_back(savedPath);
}

}  // namespace mw::test
