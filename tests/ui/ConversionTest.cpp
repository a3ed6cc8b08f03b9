#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "UiSupport.h"
#include "core/UtilFuncs.h"
#include "formats/FormatCatalog.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "ui/ChoiceButton.h"
#include "ui/FinishPage.h"
#include "ui/FormatPage.h"
#include "ui/InputPage.h"
#include "ui/ProgressPage.h"
#include "ui/Shutdown.h"

namespace mw {
namespace {

using test::Find;

// What page Step3 showed while a run went on.
struct RunObservation {
    std::set<QString> Statuses;
    std::vector<int> Percents;
    QStringList Titles;  // of the window, each change once
    bool Rising() const {
        for (std::size_t i = 1; i < Percents.size(); ++i) {
            if (Percents[i] > Percents[i - 1] && Percents[i - 1] > 0) {
                return true;
            }
        }
        return false;
    }
};

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override { test::LoadEngineLibraries(); }

    std::string Fixture(const std::string& name, double seconds, bool video) {
        test::FixturePlan plan;
        plan.AudioCodec = name.ends_with(".wav") ? "pcm_s16le" : "aac";
        plan.VideoCodec = video ? "mpeg4" : "";
        plan.Width = 160;
        plan.Height = 120;
        plan.FrameRateNum = 10;
        plan.Seconds = seconds;
        const std::string path = m_account.Folder().File(name);
        test::WriteFixture(path, plan);
        return path;
    }

    // Adds the files, picks the format on page Step2 and starts the run.
    void StartRun(TFormMain& main, const std::vector<std::string>& files, const char* format) {
        main.Engine().SetProgressInterval(100);
        main.SetPage(WizardPage::Step1);
        main.Step1()->AddFiles(files);
        main.ActionNextExecute();
        ASSERT_EQ(main.Page(), WizardPage::Step2);
        const OutputFormat& chosen = *FindOutputFormat(format);
        main.Step2()->ClassButton(chosen.Class)->click();
        main.Step2()->FormatButton(chosen)->click();
        main.Step2()->EditOutputDir()->setText(QString::fromStdString(OutputFolder()));
        main.ActionNextExecute();
        ASSERT_EQ(main.Page(), WizardPage::Step3);
    }

    RunObservation WaitForSummary(TFormMain& main,
                                  const std::function<void(RunObservation&)>& during = {}) {
        RunObservation seen;
        const bool ended = test::WaitFor([&] {
            QTreeWidget& list = *main.Step3()->ListViewConverting();
            for (int row = 0; row < list.topLevelItemCount(); ++row) {
                seen.Statuses.insert(list.topLevelItem(row)->text(2));
            }
            const int percent = main.Step3()->ProgressBar()->value();
            if (seen.Percents.empty() || seen.Percents.back() != percent) {
                seen.Percents.push_back(percent);
            }
            if (seen.Titles.isEmpty() || seen.Titles.back() != main.windowTitle()) {
                seen.Titles << main.windowTitle();
            }
            if (during) {
                during(seen);
            }
            return main.Page() == WizardPage::Step4;
        });
        EXPECT_TRUE(ended) << "the run did not end";
        return seen;
    }

    static QStringList Counts(TFormMain& main) {
        return {main.Step4()->LabelFinishTotalFiles()->text(),
                main.Step4()->LabelFinishSuccessed()->text(),
                main.Step4()->LabelFinishFailed()->text()};
    }

    std::string OutputFolder() const { return m_account.Folder().Path() + "out/new/"; }

    test::UiAccount m_account;
};

TEST_F(ConversionTest, ThreeFilesToMp3) {
    const std::vector<std::string> files = {Fixture("one.mp4", 30, true),
                                            Fixture("two.m4a", 30, false),
                                            Fixture("three.wav", 30, false)};
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    test::ScriptedDialogs dialogs;
    QString countdownText;
    dialogs.OnModal = [&](QDialog& dialog) {
        countdownText = dynamic_cast<TFormShutdown&>(dialog).LabelTimeOut()->text();
        return int(QDialog::Rejected);
    };
    StartRun(main, files, "MP3");
    // Both post-progress options, chosen while the run goes on.
    main.Step3()->CheckBoxPlayASound()->click();
    main.Step3()->CheckBoxShutdown()->click();
    const RunObservation seen = WaitForSummary(main);

    EXPECT_TRUE(seen.Statuses.contains("Converting...")) << seen.Statuses.size();
    EXPECT_TRUE(seen.Rising());
    EXPECT_EQ(Counts(main), (QStringList{"3", "3", "0"}));
    EXPECT_FALSE(main.Step4()->MemoErrorLog()->isVisibleTo(main.Step4()));
    EXPECT_FALSE(main.Step4()->LabelFinishCancelled()->isVisibleTo(main.Step4()));
    // The title bar follows the whole run: files done and the share of all three durations.
    const QRegularExpression progress(R"(^(\d+)% - ([0-3]) of 3 files done - MediaWizard$)");
    int lastPercent = 0;
    int lastDone = 0;
    int titledMidRun = 0;
    for (const QString& title : seen.Titles) {
        if (title == "MediaWizard") {
            continue;  // before the run started, and after it
        }
        const QRegularExpressionMatch match = progress.match(title);
        ASSERT_TRUE(match.hasMatch()) << title.toStdString();
        EXPECT_GE(match.captured(1).toInt(), lastPercent) << title.toStdString();
        EXPECT_GE(match.captured(2).toInt(), lastDone) << title.toStdString();
        lastPercent = match.captured(1).toInt();
        lastDone = match.captured(2).toInt();
        titledMidRun += lastPercent > 0 && lastPercent < 100;
    }
    EXPECT_GT(titledMidRun, 0) << seen.Titles.join(" | ").toStdString();
    EXPECT_EQ(main.windowTitle(), "MediaWizard");
    EXPECT_EQ(Find<QLabel>(main, "LabelTitle")->text(), "The conversion is finished.");
    QTreeWidget& list = *main.Step3()->ListViewConverting();
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.topLevelItem(row)->text(2), "Finish.");
        EXPECT_EQ(list.topLevelItem(row)->text(3), "100%");
    }
    for (const char* name : {"one.mp3", "two.mp3", "three.mp3"}) {
        const auto probe = test::FFprobe(OutputFolder() + name);
        EXPECT_EQ(probe.at("format.format_name"), "mp3") << name;
        EXPECT_NEAR(std::stod(probe.at("format.duration")), 30.0, 0.2) << name;
    }
    // The sound of success, then the countdown, cancelled: no power-off.
    EXPECT_EQ(windows.Completion.Sounds,
              std::vector<std::string>{ProgramDir() + "sounds/done.wav"});
    EXPECT_EQ(countdownText, "Time left: 30");
    EXPECT_EQ(windows.Completion.PowerOffs, 0);

    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Mode);
    EXPECT_EQ(main.Inputs().Count(), 0);
    EXPECT_EQ(list.topLevelItemCount(), 0);
}

TEST_F(ConversionTest, FailingFileShowsTheErrorMemo) {
    // The last file is a silent video: its task has no stream to write into an MP3.
    test::FixturePlan silent;
    silent.VideoCodec = "mpeg4";
    silent.Seconds = 1;
    const std::string three = m_account.Folder().File("three.mp4");
    test::WriteFixture(three, silent);
    const std::vector<std::string> files = {Fixture("one.m4a", 5, false),
                                            Fixture("two.m4a", 5, false), three};
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    StartRun(main, files, "MP3");
    WaitForSummary(main);

    EXPECT_EQ(Counts(main), (QStringList{"3", "2", "1"}));
    QPlainTextEdit& memo = *main.Step4()->MemoErrorLog();
    EXPECT_TRUE(memo.isVisibleTo(main.Step4()));
    // The memo names the file that failed, with its error.
    EXPECT_TRUE(memo.toPlainText().startsWith(QString::fromStdString("File (2): " + three + ": ")))
        << memo.toPlainText().toStdString();
    EXPECT_FALSE(main.Step4()->LabelFinishCancelled()->isVisibleTo(main.Step4()));
    EXPECT_EQ(main.Step3()->ListViewConverting()->topLevelItem(2)->text(2), "Failed.");
}

TEST_F(ConversionTest, CancelDuringTheSecondFile) {
    const std::vector<std::string> files = {Fixture("one.wav", 5, false),
                                            Fixture("two.wav", 120, false),
                                            Fixture("three.wav", 5, false)};
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    test::ScriptedDialogs dialogs;
    dialogs.OnModal = [](QDialog&) { return int(QDialog::Accepted); };
    windows.Completion.Refusal = "Access denied";
    StartRun(main, files, "MP3");
    main.Step3()->CheckBoxPlayASound()->click();
    main.Step3()->CheckBoxShutdown()->click();
    bool cancelled = false;
    WaitForSummary(main, [&](RunObservation&) {
        QTreeWidgetItem* second = main.Step3()->ListViewConverting()->topLevelItem(1);
        if (!cancelled && second && second->text(2) == "Converting...") {
            cancelled = true;
            dialogs.Answers = {QMessageBox::Yes};
            main.ActionExitExecute();
        }
    });
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(dialogs.Texts().front(), "Do you really want to cancel the conversion?");
    EXPECT_EQ(Counts(main), (QStringList{"3", "1", "2"}));
    QTreeWidget& list = *main.Step3()->ListViewConverting();
    EXPECT_EQ(list.topLevelItem(1)->text(2), "Failed.");
    EXPECT_EQ(list.topLevelItem(2)->text(2), "Failed.");
    EXPECT_EQ(windows.Completion.Sounds,
              std::vector<std::string>{ProgramDir() + "sounds/fail.wav"});
    // The countdown ran out: the machine is switched off through the platform only, and its
    // refusal is told.
    EXPECT_EQ(windows.Completion.PowerOffs, 1);
    const QString refused = "The computer could not be shut down: Access denied";
    EXPECT_EQ(dialogs.Texts().back(), refused);
    EXPECT_TRUE(windows.Log.Lines().contains(refused));

    // The summary says the run was cancelled, above the counts, and names what was left.
    QLabel& cancelledLine = *main.Step4()->LabelFinishCancelled();
    EXPECT_TRUE(cancelledLine.isVisibleTo(main.Step4()));
    EXPECT_EQ(cancelledLine.text(), "The conversion was cancelled.");
    EXPECT_LT(cancelledLine.mapTo(main.Step4(), QPoint()).y(),
              main.Step4()->LabelFinishTotalFiles()->mapTo(main.Step4(), QPoint()).y());
    EXPECT_EQ(main.Step4()->MemoErrorLog()->toPlainText(),
              QString::fromStdString("File (1): " + files[1] +
                                     ": cancelled before it was finished\nFile (2): " + files[2] +
                                     ": cancelled before it was finished"));
}

TEST_F(ConversionTest, AShutdownFromTheSettingsFileIsNotTaken) {
    const std::string settings = m_account.ConfigFolder() + "MediaWizard/system.dat";
    std::filesystem::create_directories(std::filesystem::path(settings).parent_path());
    test::WriteTextFile(settings, "[System]\nShutDownWhenFinished=1\n");
    const std::vector<std::string> files = {Fixture("one.wav", 2, false)};
    {
        test::ProgramWindows windows(test::FullEdition());
        TFormMain& main = *windows.Main;
        test::ScriptedDialogs dialogs;
        int countdowns = 0;
        dialogs.OnModal = [&](QDialog&) {
            ++countdowns;
            return int(QDialog::Accepted);
        };
        StartRun(main, files, "MP3");
        EXPECT_FALSE(main.Step3()->CheckBoxShutdown()->isChecked());
        WaitForSummary(main);
        EXPECT_EQ(countdowns, 0);
        EXPECT_EQ(windows.Completion.PowerOffs, 0);
        main.close();
    }
    // The key is still written, in the same form.
    EXPECT_NE(test::ReadTextFile(settings).find("ShutDownWhenFinished=0"), std::string::npos)
        << test::ReadTextFile(settings);
}

TEST_F(ConversionTest, TheRowBeingConvertedStaysInView) {
    std::vector<std::string> files;
    for (int i = 0; i < 11; ++i) {
        files.push_back(Fixture("short" + std::to_string(i) + ".wav", 1, false));
    }
    files.push_back(Fixture("last.wav", 30, false));
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    StartRun(main, files, "MP3");
    WaitForSummary(main);
    EXPECT_EQ(Counts(main), (QStringList{"12", "12", "0"}));
    QTreeWidget& list = *main.Step3()->ListViewConverting();
    const QRect last = list.visualItemRect(list.topLevelItem(11));
    EXPECT_TRUE(last.top() >= 0 && last.bottom() < list.viewport()->height());
    EXPECT_LT(list.visualItemRect(list.topLevelItem(0)).top(), 0);
}

TEST_F(ConversionTest, JoinEditionMakesOneFile) {
    const std::vector<std::string> files = {Fixture("a.mp4", 2, true), Fixture("b.mp4", 3, true),
                                            Fixture("c.mp4", 2, true)};
    EditionConfig edition = test::FullEdition();
    edition.Merge = true;
    test::ProgramWindows windows(edition);
    TFormMain& main = *windows.Main;
    StartRun(main, files, "AVI");
    WaitForSummary(main);

    EXPECT_EQ(Counts(main), (QStringList{"1", "1", "0"}));
    QTreeWidget& list = *main.Step3()->ListViewConverting();
    EXPECT_EQ(list.headerItem()->text(2), "Width x Height");
    EXPECT_EQ(list.headerItem()->text(3), "Aspect Ratio");
    EXPECT_EQ(main.Step3()->LabelCurrentFileTitle()->text(), "Output file:");
    ASSERT_EQ(list.topLevelItemCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.topLevelItem(row)->text(2), "160x120");
        EXPECT_EQ(list.topLevelItem(row)->text(3), "1.33333337306976");
        EXPECT_EQ(list.topLevelItem(row)->text(4),
                  QString::fromStdString(OutputFolder() + "Output_Merge.avi"));
    }
    const auto probe = test::FFprobe(OutputFolder() + "Output_Merge.avi");
    EXPECT_NEAR(std::stod(probe.at("format.duration")), 7.0, 0.2);
}

TEST_F(ConversionTest, ChoicesSurviveARestart) {
    const std::vector<std::string> files = {Fixture("clip.mp4", 1, true)};
    const OutputFormat& iphone = *FindOutputFormat("IPHONE");
    {
        test::ProgramWindows windows(test::FullEdition());
        TFormMain& main = *windows.Main;
        main.SetPage(WizardPage::Step1);
        main.Step1()->AddFiles(files);
        main.ActionNextExecute();
        main.Step2()->ClassButton(FormatClass::Device)->click();
        main.Step2()->FormatButton(iphone)->click();
        main.Step2()->PresetList(iphone)->setCurrentIndex(2);
        main.Step2()->EditOutputDir()->setText(QString::fromStdString(OutputFolder()));
        main.ActionNextExecute();
        WaitForSummary(main);
        main.close();
    }
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    EXPECT_EQ(main.Settings().OutputFormatClass, 1);
    EXPECT_EQ(main.Settings().OutputDeviceFormat, 1);
    EXPECT_EQ(main.Settings().OutputiPhonePreset, 2);
    main.SetPage(WizardPage::Step1);
    main.Step1()->AddFiles(files);
    main.ActionNextExecute();
    FormatPage& page = *main.Step2();
    // The chosen class and format are the disabled buttons.
    EXPECT_FALSE(page.ClassButton(FormatClass::Device)->isEnabled());
    EXPECT_TRUE(page.ClassButton(FormatClass::Video)->isEnabled());
    EXPECT_FALSE(page.FormatButton(iphone)->isEnabled());
    EXPECT_TRUE(page.FormatButton(*FindOutputFormat("IPOD"))->isEnabled());
    EXPECT_EQ(page.PresetList(iphone)->currentIndex(), 2);
    EXPECT_EQ(page.EditOutputDir()->text().toStdString(), OutputFolder());
    // Every other list shows its stored row: the defaults here.
    EXPECT_EQ(page.PresetList(*FindOutputFormat("WMV"))->currentIndex(), 16);
}

TEST_F(ConversionTest, ClosingDuringARunAsksFirst) {
    const std::vector<std::string> files = {Fixture("long.wav", 60, false)};
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    test::ScriptedDialogs dialogs;
    StartRun(main, files, "MP3");
    main.Step3()->CheckBoxPlayASound()->click();
    const auto converting = [&] {
        QTreeWidgetItem* row = main.Step3()->ListViewConverting()->topLevelItem(0);
        return row && row->text(2) == "Converting...";
    };
    ASSERT_TRUE(test::WaitFor(converting));

    // No: the run goes on to its end and its summary.
    dialogs.Answers = {QMessageBox::No};
    main.close();
    EXPECT_EQ(dialogs.Texts(), QStringList{"Do you really want to cancel the conversion?"});
    EXPECT_TRUE(main.isVisible());
    WaitForSummary(main);
    EXPECT_EQ(Counts(main), (QStringList{"1", "1", "0"}));
    const auto probe = test::FFprobe(OutputFolder() + "long.mp3");
    EXPECT_NEAR(std::stod(probe.at("format.duration")), 60.0, 0.2);

    // Yes: the window closes in the middle of a second run, without a summary.
    main.ActionNextExecute();
    dialogs.Messages.clear();
    StartRun(main, files, "MP3");
    ASSERT_TRUE(test::WaitFor(converting));
    dialogs.Answers = {QMessageBox::Yes};
    main.close();
    EXPECT_EQ(dialogs.Texts(), QStringList{"Do you really want to cancel the conversion?"});
    QCoreApplication::processEvents();
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.Page(), WizardPage::Step3);
    EXPECT_EQ(windows.Completion.Sounds.size(), 1u);
    // The stopped second output is not left behind, neither half written nor under a
    // temporary name: the folder holds the first run's file alone.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(OutputFolder())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"long.mp3"});
}

TEST(ShutdownWindow, CountsDownAndEndsOnEveryKey) {
    test::UiAccount account;
    TFormShutdown form(nullptr);
    EXPECT_EQ(form.windowTitle(), "Shutdown");
    EXPECT_TRUE(Find<QLabel>(form, "LabelShutdownDescription")
                    ->text()
                    .endsWith("\nwill shutdown the computer."));
    EXPECT_EQ(form.LabelTimeOut()->text(), "Time left: 30");
    EXPECT_EQ(form.ButtonCancel()->text(), "&Cancel");
    for (int tick = 0; tick < 30; ++tick) {
        form.TimerShutdownTimer();
    }
    EXPECT_EQ(form.LabelTimeOut()->text(), "Time left: 0");
    EXPECT_EQ(form.result(), 0);
    form.show();
    form.TimerShutdownTimer();
    EXPECT_EQ(form.result(), QDialog::Accepted);

    for (const int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        TFormShutdown keyed(nullptr);
        keyed.show();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&keyed, &press);
        EXPECT_EQ(keyed.result(), QDialog::Rejected) << key;
        EXPECT_FALSE(keyed.isVisible());
    }
}

}  // namespace
}  // namespace mw
