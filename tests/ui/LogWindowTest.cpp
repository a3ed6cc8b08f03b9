#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <atomic>
#include <thread>

#include "UiSupport.h"
#include "core/Ini.h"
#include "engine/FFmpegLogger.h"

namespace mw {
namespace {

TEST(LogWindow, FrameAndButtons) {
    TFormLog log;
    EXPECT_EQ(log.windowTitle(), "Log");
    EXPECT_TRUE(log.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(log.minimumSize(), QSize(265, 125));
    EXPECT_EQ(log.ButtonOK()->text(), "&OK");
    EXPECT_TRUE(log.ButtonOK()->isDefault());
    EXPECT_EQ(log.ButtonDelete()->text(), "&Delete Log");
    EXPECT_EQ(log.ButtonSave()->text(), "&Save Log...");
    for (const int width : {455, 300, 900}) {
        log.resize(width, 182);
        log.show();
        QCoreApplication::processEvents();
        // One group of three 75-pixel buttons 8 apart, centred in the panel.
        const int panel = log.ButtonOK()->parentWidget()->width();
        EXPECT_EQ(log.ButtonOK()->x(), panel / 2 - 241 / 2) << width;
        EXPECT_EQ(log.ButtonDelete()->x(), log.ButtonOK()->x() + 83);
        EXPECT_EQ(log.ButtonSave()->x(), log.ButtonDelete()->x() + 83);
    }
}

TEST(LogWindow, DeleteAsksAndDisablesSavingForGood) {
    TFormLog log;
    log.AddLogLine("first");
    log.AddLogLine("second");
    test::ScriptedDialogs dialogs;
    dialogs.Answers = {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Yes};
    for (int press = 0; press < 2; ++press) {
        log.ButtonDelete()->click();
        EXPECT_EQ(log.Lines(), (QStringList{"first", "second"}));
        EXPECT_TRUE(log.ButtonSave()->isEnabled());
    }
    log.ButtonDelete()->click();
    EXPECT_TRUE(log.Lines().isEmpty());
    EXPECT_FALSE(log.ButtonSave()->isEnabled());
    log.AddLogLine("later");
    EXPECT_FALSE(log.ButtonSave()->isEnabled());

    const MessageRequest& asked = dialogs.Messages.front();
    EXPECT_EQ(asked.Text, "Really delete log file?");
    EXPECT_EQ(asked.Caption, "Delete log?");
    EXPECT_EQ(asked.Icon, QMessageBox::Question);
    EXPECT_EQ(asked.Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

TEST(LogWindow, SaveWritesEveryLine) {
    test::TempDir dir;
    TFormLog log;
    log.AddLogLine("File load error: one");
    log.AddLogLine("#42.5: two");
    test::ScriptedDialogs dialogs;
    dialogs.SaveAs = dir.File("run.log");
    log.ButtonSave()->click();
    EXPECT_EQ(test::ReadTextFile(dir.File("run.log")), "File load error: one\n#42.5: two\n");
    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    EXPECT_EQ(dialogs.FileRequests[0].Filter,
              "Log-Files (*.log)|*.log|Text-Files (*.txt)|*.txt|All Files (*.*)|*.*");
    EXPECT_EQ(dialogs.FileRequests[0].DefaultSuffix, "log");

    // A file that cannot be written: the user is told and the lines stay.
    dialogs.SaveAs = dir.File("missing/run.log");
    log.ButtonSave()->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_TRUE(dialogs.Messages[0].Text.contains("missing/run.log"));
    EXPECT_EQ(log.Lines().size(), 2);
}

TEST(LogWindow, PlacementIsRestoredOnScreen) {
    test::TempDir dir;
    TFormLog log;
    log.SetSettingsFolder(dir.Path());
    log.show();
    log.move(70, 60);
    log.close();
    EXPECT_FALSE(log.isVisible());
    Ini ini(dir.File("system.dat"));
    EXPECT_EQ(ini.ReadInteger("FormLog", "x", -1), 70);
    EXPECT_EQ(ini.ReadInteger("FormLog", "y", -1), 60);

    log.move(0, 0);
    log.show();
    EXPECT_EQ(log.pos(), QPoint(70, 60));
    log.close();
    ini.WriteInteger("FormLog", "x", 5000);
    log.show();
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    EXPECT_EQ(log.x(), screen - log.frameGeometry().width());
}

TEST(LogWindow, LibraryMessagesCarryThreadAndLevel) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    std::atomic<std::uint32_t> threadId{0};
    std::thread worker([&] {
        threadId = CurrentThreadId();
        TFFLogger::Instance().Log(nullptr, llInfo, "hello from a worker");
    });
    while (threadId == 0 || windows.Log.Lines().filter("hello from a worker").isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    worker.join();
    EXPECT_TRUE(
        windows.Log.Lines().contains(QString("#%1.5: hello from a worker").arg(threadId.load())));
}

}  // namespace
}  // namespace mw
