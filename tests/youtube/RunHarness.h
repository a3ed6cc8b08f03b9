#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/MainThread.h"
#include "support/VideoSite.h"
#include "youtube/DownloadRun.h"
#include "youtube/PostedCalls.h"

namespace mw::test {

// A download run on a headless main thread, with what its view heard written down.
class RunHarness : public DownloadRunObserver {
public:
    RunHarness();

    // Starts the run and lets the main thread work until it has ended.
    void RunToEnd(const std::vector<std::string>& links, const std::string& folder,
                  bool preferHighQuality, std::vector<int> order);
    // Lets the main thread work until the condition holds or the run has ended.
    void RunUntil(const std::function<bool()>& done);

    void RunChanged() override;
    void ItemEnded(std::size_t row, const std::string& savedPath) override;
    void RunEnded() override { ++Ends; }
    void ResolverReport(std::size_t, const std::string& line) override { Reports.push_back(line); }

    HeadlessMainThread Main;
    PostedCalls Posted;
    DownloadRun Run;
    std::vector<std::string> QualityLabels;  // each new text of the quality label
    std::vector<std::string> Saved;          // per ended item, the saved path or ""
    std::vector<std::string> Reports;        // the resolvers' log lines
    int Ends = 0;
};

}  // namespace mw::test
