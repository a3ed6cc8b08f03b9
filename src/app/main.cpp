// The desktop program: reads the edition, creates the log and main windows and runs the
// event loop until the main window closes. Files named on the command line (as a file
// manager's "Open With" names them) join the input page once the window has started.
#include <QApplication>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "convert/CompletionActions.h"
#include "core/EditionConfig.h"
#include "ui/ApplicationTitle.h"
#include "ui/Log.h"
#include "ui/Main.h"
#include "ui/QtMainThread.h"

namespace {

// The names after the toolkit took its own options, made absolute against the folder the
// program was started in.
std::vector<std::string> NamedFiles(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(argv[i], error);
        files.push_back(error ? std::string(argv[i]) : absolute.string());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;

    const mw::EditionConfig edition = mw::LoadEditionConfig(mw::EditionFilePath());
    mw::ApplyEditionTitle(edition);

    mw::TFormLog log;
    mw::TFormMain main(edition, log, mw::SystemCompletionPlatform());
    // The message of a failed start-up has been shown; a window without its pictures and
    // controls is of no use.
    if (main.StartupFailed()) {
        return 1;
    }
    if (const std::vector<std::string> files = NamedFiles(argc, argv); !files.empty()) {
        QObject::connect(&main, &mw::TFormMain::StartupFinished, &main,
                         [&main, files] { main.OpenFiles(files); });
    }
    main.show();
    return QApplication::exec();
}
