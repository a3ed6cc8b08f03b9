#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "Commands.h"
#include "ConversionRun.h"
#include "Interrupt.h"
#include "core/Ini.h"
#include "core/MainThread.h"
#include "core/UtilFuncs.h"
#include "youtube/DownloadList.h"
#include "youtube/DownloadRun.h"
#include "youtube/PostedCalls.h"
#include "youtube/QualityPreference.h"

namespace mw::cli {

namespace {

constexpr const char* kUsage =
    "download [--out DIR] [--quality default|best|LIST] [--convert FORMAT [--preset N]] "
    "[--] LINK...";

struct DownloadValues {
    std::string Folder;
    std::string Quality;
    std::optional<std::string> Convert;
    std::optional<std::string> Preset;
    std::vector<std::string> Links;
};

// The qualities a run tries.
struct QualityChoice {
    bool PreferHighQuality = true;
    std::vector<int> Order = AttemptOrder(kDefaultQualityOrder);
};

// "default", "best" or a comma list of format codes; empty (the program's own setting) is
// the default order with the preference on. None when the text is none of them.
std::optional<QualityChoice> ParseQuality(const std::string& text) {
    QualityChoice choice;
    if (text.empty()) {
        return choice;
    }
    if (text == "default") {
        choice.PreferHighQuality = false;
        return choice;
    }
    if (text == "best") {
        choice.Order = AttemptOrder(kBestAvailableQualityOrder);
        return choice;
    }
    choice.Order.clear();
    std::set<int> seen;
    std::stringstream list(text);
    std::string code;
    while (std::getline(list, code, ',')) {
        const std::optional<int> fmt = ParseIniInteger(code);
        const std::optional<int> type = fmt ? QualityTypeOfFmt(*fmt) : std::nullopt;
        if (!type || !seen.insert(*type).second) {
            return std::nullopt;
        }
        choice.Order.push_back(*type);
    }
    if (choice.Order.empty() || text.back() == ',') {
        return std::nullopt;
    }
    return choice;
}

// Prints what happens to each item as the run goes.
class RunReport final : public DownloadRunObserver {
public:
    void Attach(const DownloadRun& run) { m_run = &run; }

    void ItemStarted(std::size_t row) override {
        std::printf("Link: %s\n", m_run->Rows()[row].Name.c_str());
        std::fflush(stdout);
    }
    void ItemResolved(std::size_t row) override {
        std::printf("Title: %s\n", m_run->Rows()[row].Name.c_str());
        std::fflush(stdout);
    }
    void ResolverReport(std::size_t, const std::string& line) override {
        std::printf("Resolver: %s\n", line.c_str());
        std::fflush(stdout);
    }
    void AttemptStarted(std::size_t) override {
        std::printf("Quality: %s\n", m_run->Status().Quality.c_str());
        std::fflush(stdout);
    }
    void AttemptFailed(std::size_t, const std::string& reason) override {
        std::printf("Attempt failed: %s\n", reason.c_str());
        std::fflush(stdout);
    }
    void ItemEnded(std::size_t row, const std::string& savedPath) override {
        std::printf("Status: %s\n", m_run->Rows()[row].Status.c_str());
        if (!savedPath.empty()) {
            std::printf("Saved: %s\n", savedPath.c_str());
        }
        std::fflush(stdout);
    }
    void RunEnded() override { m_ended = true; }

    bool Ended() const { return m_ended; }

private:
    const DownloadRun* m_run = nullptr;
    bool m_ended = false;
};

int RunDownload(const DownloadValues& values) {
    // A stop asked for at any time is honoured: nothing is written before this point.
    const InterruptRequest interrupt;
    const std::optional<QualityChoice> quality = ParseQuality(values.Quality);
    if (!quality) {
        return UsageError(kUsage,
                          "--quality takes default, best or format codes such as "
                          "18,35,22");
    }
    ConversionRequest conversion;
    if (values.Convert) {
        const std::string problem = ChooseFormat(*values.Convert, values.Preset, conversion);
        if (!problem.empty()) {
            return UsageError(kUsage, problem);
        }
    } else if (values.Preset) {
        return UsageError(kUsage, "--preset needs --convert FORMAT");
    }

    // The links join the list as pasted ones do; the user's answer is always OK. The
    // message box's blank line between link and notice is one line here.
    DownloadList list;
    for (const std::string& link : values.Links) {
        list.AddLink(link, [](std::string message) {
            const std::size_t gap = message.rfind("\n\r\n\r");
            if (gap != std::string::npos) {
                message.replace(gap, 4, ": ");
            }
            std::fprintf(stderr, "%s\n", message.c_str());
            return true;
        });
    }
    const bool allTaken = list.Links().size() == values.Links.size();
    if (list.Empty()) {
        std::fputs("Please Copy & Paste the YouTube video links you want to download.\n", stderr);
        return kExitFailed;
    }
    const std::string folder =
        values.Folder.empty() ? std::filesystem::current_path().string() : values.Folder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        std::fputs(
            "Fail to create directory! Please check if output folder have the right "
            "format!\n",
            stderr);
        return kExitFailed;
    }

    HeadlessMainThread mainThread;
    PostedCalls posted;
    RunReport report;
    DownloadRun run([&posted](std::function<void()> call) { posted.Post(std::move(call)); },
                    report);
    report.Attach(run);
    run.Start(list.Links(), WithTrailingBackslash(folder), quality->PreferHighQuality,
              quality->Order);
    posted.RunUntil(mainThread, [&] {
        if (interrupt.Requested()) {
            run.Cancel();
        }
        return report.Ended();
    });
    std::printf("Total files: %d\nSucceeded: %d\nFailed: %d\n", run.Total(), run.Succeeded(),
                run.Failed());
    std::fflush(stdout);
    const bool allSaved = allTaken && run.Succeeded() == run.Total();
    if (!values.Convert || run.Cancelled()) {
        return allSaved ? kExitOk : kExitFailed;
    }
    if (run.DownloadedFiles().empty()) {
        std::fputs("No file downloaded! Please try again.\n", stderr);
        return kExitFailed;
    }
    conversion.Folder = folder;
    conversion.Files = run.DownloadedFiles();
    conversion.ProbeWhenAdded = true;
    const int converted = RunConversion(conversion, interrupt);
    return allSaved && converted == kExitOk ? kExitOk : kExitFailed;
}

}  // namespace

CommandRun AddDownloadCommand(CLI::App& program) {
    CLI::App& command = AddCommand(
        program, "download", kUsage,
        "Downloads the videos of the links into DIR, trying the qualities in turn, with the "
        "summary of the run; with --convert the saved files are converted as the wizard's "
        "hand-off does.");
    auto values = std::make_shared<DownloadValues>();
    command.add_option("--out", values->Folder, "the output folder (default: the current one)")
        ->type_name("DIR");
    command
        .add_option("--quality", values->Quality,
                    "default: the site's default encoding only; best: the best-available "
                    "order; LIST: format codes in the order to try, such as 18,35,22 "
                    "(without: the default order 18,35,22,6,13,17,34,37)")
        ->type_name("default|best|LIST");
    command.add_option("--convert", values->Convert, "convert the saved files to FORMAT")
        ->type_name("FORMAT");
    command.add_option("--preset", values->Preset, "the preset row of FORMAT")->type_name("N");
    command.add_option("LINK", values->Links, "the video links")->required();
    return [values] { return RunDownload(*values); };
}

}  // namespace mw::cli
