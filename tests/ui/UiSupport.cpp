#include "UiSupport.h"

#include <QCoreApplication>
#include <thread>

#include "ui/ApplicationTitle.h"

namespace mw::test {

QMessageBox::StandardButton ScriptedDialogs::Message(const MessageRequest& request) {
    Messages.push_back(request);
    if (!Answers.empty()) {
        const QMessageBox::StandardButton answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    return request.Buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
}

int ScriptedDialogs::Modal(QDialog& dialog) {
    return OnModal ? OnModal(dialog) : QDialog::Rejected;
}

std::vector<std::string> ScriptedDialogs::OpenFiles(const FileRequest& request) {
    FileRequests.push_back(request);
    return FilesToOpen;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileRequest& request) {
    FileRequests.push_back(request);
    return SaveAs;
}

std::optional<std::string> ScriptedDialogs::Folder(const QString&, const std::string&) {
    return ChosenFolder;
}

QStringList ScriptedDialogs::Texts() const {
    QStringList texts;
    for (const MessageRequest& request : Messages) {
        texts << request.Text;
    }
    return texts;
}

EditionConfig FullEdition() {
    EditionConfig edition;
    edition.Name = "MediaWizard";
    edition.Version = "1.0.0";
    edition.Res = "0";
    edition.VideoFormats.fill(true);
    edition.DeviceFormats.fill(true);
    edition.AudioFormats.fill(true);
    edition.DefaultAudio = 1;
    return edition;
}

UiAccount::UiAccount()
    : m_config("XDG_CONFIG_HOME", m_dir.Path() + "config"), m_home("HOME", m_dir.Path() + "home") {}

ProgramWindows::ProgramWindows(const EditionConfig& edition) {
    ApplyEditionTitle(edition);
    Main = std::make_unique<TFormMain>(edition, Log, Completion);
    if (!Main->StartupFailed()) {
        Main->show();
    }
    QCoreApplication::processEvents();
}

ProgramWindows::~ProgramWindows() {
    if (Main->isVisible()) {
        // A run left going is cancelled without a question on the screen.
        ScriptedDialogs yes;
        yes.Answers = {QMessageBox::Yes};
        Main->close();
    }
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace mw::test

#include "support/MediaFixture.h"

namespace mw::test {

const SharedMedia& Media() {
    static TempDir dir;
    static const SharedMedia media = [] {
        LoadEngineLibraries();
        SharedMedia files{dir.File("clip.mp4"), dir.File("song.mp3")};
        FixturePlan video;
        video.VideoCodec = "mpeg4";
        video.AudioCodec = "aac";
        video.Seconds = 1.0;
        WriteFixture(files.Video, video);
        FixturePlan song;
        song.AudioCodec = "libmp3lame";
        song.Seconds = 1.0;
        WriteFixture(files.Song, song);
        return files;
    }();
    return media;
}

}  // namespace mw::test
