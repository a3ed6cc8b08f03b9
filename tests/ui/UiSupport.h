#pragma once

#include <QApplication>
#include <QDialog>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "convert/CompletionActions.h"
#include "core/EditionConfig.h"
#include "core/Platform.h"
#include "support/TempDir.h"
#include "ui/Dialogs.h"
#include "ui/Log.h"
#include "ui/Main.h"

// Failures show the texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace mw::test {

// Answers the program's dialogs in the user's place and keeps what they asked.
class ScriptedDialogs : public DialogResponder {
public:
    ScriptedDialogs() : m_scope(*this) {}

    QMessageBox::StandardButton Message(const MessageRequest& request) override;
    int Modal(QDialog& dialog) override;
    std::vector<std::string> OpenFiles(const FileRequest& request) override;
    std::optional<std::string> SaveFile(const FileRequest& request) override;
    std::optional<std::string> Folder(const QString& title, const std::string& start) override;

    // The texts of the message boxes shown so far.
    QStringList Texts() const;

    // The next answers; without one a question is answered No and a notice OK.
    std::deque<QMessageBox::StandardButton> Answers;
    std::vector<MessageRequest> Messages;
    // A modal window of the program; without a handler it is closed as cancelled.
    std::function<int(QDialog&)> OnModal;
    std::vector<std::string> FilesToOpen;
    std::vector<FileRequest> FileRequests;
    std::optional<std::string> SaveAs;
    std::optional<std::string> ChosenFolder;

private:
    ScopedDialogResponder m_scope;
};

// The sounds and power-offs asked of the machine.
class RecordingCompletion : public CompletionPlatform {
public:
    void PlaySound(const std::string& path) override { Sounds.push_back(path); }
    std::string PowerOff() override {
        ++PowerOffs;
        return Refusal;
    }

    std::vector<std::string> Sounds;
    int PowerOffs = 0;
    std::string Refusal;  // what the system answers a power-off; empty: it takes it
};

// The targets handed to the desktop's opener (pages, folders, files) instead of opening them.
class RecordingShell {
public:
    RecordingShell() : m_scope([this](const std::string& target) { Opened.push_back(target); }) {}

    std::vector<std::string> Opened;

private:
    ScopedShellHandler m_scope;
};

// An edition with every format and feature of the shipped edition file.
EditionConfig FullEdition();

// A user account of its own: configuration and documents folders in a temporary folder.
class UiAccount {
public:
    UiAccount();

    const TempDir& Folder() const { return m_dir; }
    std::string ConfigFolder() const { return m_dir.Path() + "config/"; }
    std::string Documents() const { return m_dir.Path() + "home/"; }

private:
    TempDir m_dir;
    ScopedEnv m_config;
    ScopedEnv m_home;
};

// The program's two windows, created as the program entry creates them.
struct ProgramWindows {
    explicit ProgramWindows(const EditionConfig& edition);
    ~ProgramWindows();

    RecordingCompletion Completion;
    TFormLog Log;
    std::unique_ptr<TFormMain> Main;
};

// Lets events be processed until the condition holds; false after the timeout.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(60));

template <typename T>
T* Find(const QObject& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

}  // namespace mw::test

namespace mw::test {

// Media files shared by the desktop tests: a short video and a short song.
struct SharedMedia {
    std::string Video;  // MPEG-4 video with sound, 320 x 240
    std::string Song;   // MP3
};
const SharedMedia& Media();

}  // namespace mw::test
