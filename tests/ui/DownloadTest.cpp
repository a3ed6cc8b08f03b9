#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "UiSupport.h"
#include "formats/FormatCatalog.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/VideoSite.h"
#include "ui/ChoiceButton.h"
#include "ui/DownloadPages.h"
#include "ui/FinishPage.h"
#include "ui/FormatPage.h"
#include "ui/ModePage.h"
#include "ui/YouTubeHQ.h"
#include "youtube/DownloadList.h"
#include "youtube/DownloadRun.h"

namespace mw {
namespace {

using test::Find;
using test::MediaAnswer;
using test::VideoSite;

// The site is the proxy of the test process, so the window's transfers reach it.
[[maybe_unused]] const VideoSite& g_site = VideoSite::Instance();

void SetClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QCoreApplication::processEvents();
}

QStringList ListTexts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

QStringList RowTexts(const QTreeWidget& list, int row) {
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column) {
        texts << list.topLevelItem(row)->text(column);
    }
    return texts;
}

class DownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::LoadEngineLibraries(); }
    static MediaAnswer FlvAnswer() { return MediaAnswer::OfFile(test::SiteClip()); }
    static std::string Flv() { return test::SiteClip(); }

    void SetUp() override {
        m_windows = std::make_unique<test::ProgramWindows>(test::FullEdition());
        Main().SetPage(WizardPage::Mode);
        Main().ActionNextExecute();
        ASSERT_EQ(Main().Page(), WizardPage::Step5);
        Page().EditURLOutput()->setText(QString::fromStdString(Folder()));
    }
    void TearDown() override { m_windows.reset(); }

    TFormMain& Main() { return *m_windows->Main; }
    DownloadPage& Page() { return *Main().Step5(); }
    QListWidget& Links() { return *Page().ListViewInputURL(); }
    std::string Folder() const { return m_account.Folder().Path() + "videos/"; }
    VideoSite& Site() { return VideoSite::Instance(); }

    void Activate() {
        Main().activateWindow();
        QApplication::setActiveWindow(&Main());
        ASSERT_TRUE(test::WaitFor([&] { return Main().isActiveWindow(); }));
    }

    // Pastes the lines with the list's Ctrl+V, as the user does.
    void PasteLines(const QString& text) {
        SetClipboardText(text);
        Links().setFocus();
        QTest::keyClick(&Links(), Qt::Key_V, Qt::ControlModifier);
    }

    QStringList Counts() {
        return {Find<QLabel>(Main(), "LabelURLTotalFiles")->text(),
                Find<QLabel>(Main(), "LabelURLSucedded")->text(),
                Find<QLabel>(Main(), "LabelURLFailed")->text()};
    }

    test::UiAccount m_account;
    std::unique_ptr<test::ProgramWindows> m_windows;
};

TEST_F(DownloadTest, PasteFollowsTheClipboardAndAsksAboutEachRefusedLine) {
    QAction& paste = *Page().ActionURLPaste();
    auto* button = Find<QPushButton>(Page(), "ButtonURLPaste");
    QGuiApplication::clipboard()->clear();
    QCoreApplication::processEvents();
    EXPECT_FALSE(paste.isEnabled());
    EXPECT_FALSE(button->isEnabled());
    auto* picture = new QMimeData;
    picture->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(picture);
    QCoreApplication::processEvents();
    EXPECT_FALSE(paste.isEnabled());
    SetClipboardText("some text");
    EXPECT_TRUE(paste.isEnabled());
    EXPECT_TRUE(button->isEnabled());

    Activate();
    const QString a = QString::fromStdString(VideoSite::Link("a"));
    const QString b = QString::fromStdString(VideoSite::Link("b"));
    struct Case {
        QString Clipboard;
        QMessageBox::StandardButton Answer;
        QStringList Asked;
        QStringList Links;
    };
    const Case cases[] = {
        {a + "\r\nhttp://example.com/x\n" + b,
         QMessageBox::Ok,
         {QString::fromStdString(NotALinkMessage("http://example.com/x"))},
         {a, b}},
        // Cancel stops the paste: the line after the duplicate is not taken.
        {b + "\n  " + a + "\n" + a.toUpper(),
         QMessageBox::Cancel,
         {QString::fromStdString(DuplicateLinkMessage(b.toStdString()))},
         {a, b}},
        // Letter case and leading spaces make other links.
        {"  " + a + "\n" + a.toUpper(), QMessageBox::Ok, {}, {a, b, "  " + a, a.toUpper()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Clipboard.toStdString());
        test::ScriptedDialogs dialogs;
        dialogs.Answers = {c.Answer};
        PasteLines(c.Clipboard);
        EXPECT_EQ(dialogs.Texts(), c.Asked);
        for (const MessageRequest& asked : dialogs.Messages) {
            EXPECT_EQ(asked.Caption, "MediaWizard");
            EXPECT_EQ(asked.Icon, QMessageBox::Information);
            EXPECT_EQ(asked.Buttons, QMessageBox::Ok | QMessageBox::Cancel);
        }
        EXPECT_EQ(ListTexts(Links()), c.Links);
    }
    // The list's pop-up menu offers the same paste.
    QAction* menuPaste = Find<QAction>(Page(), "MenuPaste");
    EXPECT_EQ(menuPaste->shortcut(), QKeySequence("Ctrl+V"));
    SetClipboardText(QString::fromStdString(VideoSite::Link("c")));
    menuPaste->trigger();
    EXPECT_EQ(Links().count(), 5);
}

TEST_F(DownloadTest, RemoveSelectsTheLinkInItsPlaceAndDoubleClickOpensIt) {
    QStringList five;
    for (const char* id : {"r1", "r2", "r3", "r4", "r5"}) {
        five << QString::fromStdString(VideoSite::Link(id));
    }
    Activate();
    SetClipboardText(five.join('\n'));
    Page().ActionURLPaste()->trigger();
    ASSERT_EQ(Links().count(), 5);
    QAction& remove = *Page().ActionURLRemove();
    EXPECT_FALSE(remove.isEnabled());

    Links().setCurrentRow(4);
    EXPECT_TRUE(remove.isEnabled());
    remove.trigger();
    EXPECT_EQ(ListTexts(Links()), five.mid(0, 4));
    EXPECT_EQ(Links().currentRow(), 3);
    EXPECT_TRUE(Links().currentItem()->isSelected());

    Links().setCurrentRow(1);
    Find<QAction>(Page(), "MenuDelete")->trigger();
    EXPECT_EQ(ListTexts(Links()), (QStringList{five[0], five[2], five[3]}));
    EXPECT_EQ(Links().currentItem()->text(), five[2]);
    EXPECT_TRUE(Links().hasFocus());

    {
        test::RecordingShell shell;
        QListWidgetItem* item = Links().item(0);
        const QRect place = Links().visualItemRect(item);
        QTest::mouseClick(Links().viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(Links().viewport(), Qt::LeftButton, {}, place.center());
        EXPECT_EQ(shell.Opened, std::vector<std::string>{five[0].toStdString()});
    }

    auto* empty = Find<QPushButton>(Page(), "ButtonURLEmpty");
    EXPECT_TRUE(empty->isEnabled());
    empty->click();
    EXPECT_EQ(Links().count(), 0);
    EXPECT_FALSE(empty->isEnabled());
    EXPECT_FALSE(remove.isEnabled());
}

TEST_F(DownloadTest, TheQualityDialogArrangesTheOrderItTries) {
    auto* check = Page().CheckBoxYouTubeQuality();
    auto* label = Find<QLabel>(Page(), "LabelYouTubeQuality");
    auto* config = Find<QPushButton>(Page(), "ButtonYouTubeQualityConfig");
    ASSERT_TRUE(check->isChecked());
    const QString defaultLabel =
        "Prefer: [HQ18] > [HQ35] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]";
    EXPECT_EQ(label->text(), defaultLabel);
    check->click();
    EXPECT_EQ(label->text(), "[Defatult Quality - HQ5]");
    EXPECT_FALSE(config->isEnabled());
    check->click();
    EXPECT_TRUE(config->isEnabled());
    EXPECT_EQ(label->text(), defaultLabel);

    const auto tags = [](QTreeWidget& list) {
        QStringList rows;
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            rows << list.topLevelItem(row)->text(0);
        }
        return rows;
    };
    const auto press = [](QDialog& dialog, const char* name) {
        Find<QPushButton>(dialog, name)->click();
    };
    test::ScriptedDialogs dialogs;
    // Up on the first row and Down on the last change nothing; Up on the second swaps.
    dialogs.OnModal = [&](QDialog& dialog) {
        const QRect main = Main().frameGeometry();
        EXPECT_EQ(dialog.pos(), QPoint(main.left() + (main.width() - dialog.width()) / 2,
                                       main.top() + (main.height() - dialog.height()) / 2));
        EXPECT_EQ(dialog.windowTitle(), "Prefer YouTube high quality");
        QTreeWidget& list = *dynamic_cast<TFormYouTubeHQ&>(dialog).ListViewYouTubeHQ();
        EXPECT_EQ(RowTexts(list, 0), (QStringList{"[HQ18]", "MP4", "480x360", "Stereo"}));
        const QStringList before = tags(list);
        list.setCurrentItem(list.topLevelItem(0));
        press(dialog, "ButtonUp");
        list.setCurrentItem(list.topLevelItem(7));
        press(dialog, "ButtonDown");
        EXPECT_EQ(tags(list), before);
        list.setCurrentItem(list.topLevelItem(1));
        press(dialog, "ButtonUp");
        EXPECT_EQ(list.currentItem()->text(0), "[HQ35]");
        EXPECT_EQ(list.indexOfTopLevelItem(list.currentItem()), 0);
        dialog.accept();
        return int(QDialog::Accepted);
    };
    config->click();
    EXPECT_EQ(Main().Settings().PreferYouTube, (QualityPreference{2, 1, 3, 0, 4, 5, 6, 7}));
    EXPECT_EQ(label->text(),
              "Prefer: [HQ35] > [HQ18] > [HQ22] > [HQ6] > [HQ13] > [HQ17] > [HQ34] > [HQ37]");

    // The preset takes effect at once: Cancel keeps it, the label shows it only later.
    dialogs.OnModal = [&](QDialog& dialog) {
        press(dialog, "ButtonBestAvailable");
        EXPECT_EQ(tags(*dynamic_cast<TFormYouTubeHQ&>(dialog).ListViewYouTubeHQ()).front(),
                  "[HQ37]");
        dialog.reject();
        return int(QDialog::Rejected);
    };
    config->click();
    EXPECT_EQ(Main().Settings().PreferYouTube, kBestAvailableQualityOrder);
    EXPECT_TRUE(label->text().startsWith("Prefer: [HQ35]"));
    check->click();
    check->click();
    EXPECT_TRUE(label->text().startsWith("Prefer: [HQ37] > [HQ22]"));
}

TEST_F(DownloadTest, FromPastedLinksToAConvertedSong) {
    Site().Add({"flow1",
                "Tom &amp; Jerry: live?",
                {{"18", MediaAnswer::Of(MediaAnswer::Kind::NotFound)},
                 {"35", FlvAnswer().HeldBack()}}});
    Activate();
    test::ScriptedDialogs dialogs;
    dialogs.Answers = {QMessageBox::Ok};
    PasteLines(QString::fromStdString(VideoSite::Link("flow1") + "\nhttp://example.com/other\n" +
                                      VideoSite::Link("flowmissing")));
    ASSERT_EQ(Links().count(), 2);
    ASSERT_EQ(dialogs.Messages.size(), 1U);

    Main().ActionNextExecute();
    ASSERT_EQ(Main().Page(), WizardPage::Step6);
    EXPECT_EQ(Find<QLabel>(Main(), "LabelTitle")->text(), "Downloading information.");
    QTreeWidget& rows = *Main().Step6()->ListViewURLDownload();
    ASSERT_EQ(rows.topLevelItemCount(), 2);
    EXPECT_EQ(RowTexts(rows, 1),
              (QStringList{QString::fromStdString(VideoSite::Link("flowmissing")), "Waiting...",
                           "0 KB", "0 KB/s", "0%", "..."}));
    // The second quality's answer is held until the label has told of the first's failure.
    ASSERT_TRUE(test::WaitFor([&] {
        return Find<QLabel>(Main(), "LabelQuality")->text() == "[HQ18] failed, try next: [HQ35]";
    }));
    Site().Release();
    QStringList firstRow;
    ASSERT_TRUE(test::WaitFor([&] {
        if (rows.topLevelItemCount() == 2) {
            firstRow = RowTexts(rows, 0);
        }
        return Main().Page() == WizardPage::Step7;
    }));
    EXPECT_EQ(firstRow.mid(0, 2), (QStringList{"Tom && Jerry: live?", "Finish."}));
    EXPECT_EQ(firstRow[5],
              QString::fromStdString("http://www.youtube.com/get_video?video_id=flow1&&t=" +
                                     VideoSite::Token("flow1") + "&"));
    EXPECT_EQ(Find<QLabel>(Main(), "LabelTitle")->text(), "The downloading is finished.");
    EXPECT_EQ(Counts(), (QStringList{"2", "1", "1"}));
    EXPECT_EQ(Links().count(), 0);
    EXPECT_EQ(rows.topLevelItemCount(), 0);
    EXPECT_EQ(Find<QLabel>(Main(), "LabelQuality")->text(), "...");
    const std::string saved = Folder() + "Tom && Jerry_ live_.flv";
    EXPECT_EQ(test::FolderNames(Folder()), std::vector<std::string>{"Tom && Jerry_ live_.flv"});
    EXPECT_TRUE(test::ReadTextFile(saved) == test::ReadTextFile(Flv()));
    EXPECT_TRUE(test::DecodesCleanly(saved));

    Find<QPushButton>(Main(), "ButtonConvertDownloaded")->click();
    ASSERT_EQ(Main().Page(), WizardPage::Step1);
    ASSERT_EQ(Main().Inputs().Count(), 1);
    EXPECT_EQ(Main().Inputs().Items()[0].FileFullName, saved);
    EXPECT_EQ(Main().Inputs().Items()[0].Duration.rfind("Duration: 00:00:01", 0), 0U);

    Main().ActionNextExecute();
    ASSERT_EQ(Main().Page(), WizardPage::Step2);
    const OutputFormat& mp3 = *FindOutputFormat("MP3");
    Main().Step2()->ClassButton(mp3.Class)->click();
    Main().Step2()->FormatButton(mp3)->click();
    const std::string out = m_account.Folder().Path() + "songs/";
    Main().Step2()->EditOutputDir()->setText(QString::fromStdString(out));
    Main().ActionNextExecute();
    ASSERT_EQ(Main().Page(), WizardPage::Step3);
    ASSERT_TRUE(test::WaitFor([&] { return Main().Page() == WizardPage::Step4; }));
    const std::string song = out + "Tom && Jerry_ live_.mp3";
    ASSERT_EQ(test::FolderNames(out), std::vector<std::string>{"Tom && Jerry_ live_.mp3"});
    const auto probe = test::FFprobe(song, {"-count_packets"});
    EXPECT_EQ(probe.at("streams.stream.0.codec_name"), "mp3");
    EXPECT_EQ(probe.count("streams.stream.1.codec_name"), 0U);
    EXPECT_GT(std::stoi(probe.at("streams.stream.0.nb_read_packets")), 30);
    EXPECT_NEAR(std::stod(probe.at("format.duration")), 1.0, 0.15);
    EXPECT_TRUE(test::DecodesCleanly(song));
}

TEST_F(DownloadTest, CancelAsksAndCountsTheUnfinishedAsFailed) {
    Site().Add({"ui1", "First", {{"", FlvAnswer()}}});
    Site().Add({"ui2", "Slow", {{"", MediaAnswer::Of(MediaAnswer::Kind::Slow, 50 << 20)}}});
    Site().Add({"ui3", "Third", {{"", FlvAnswer()}}});
    SetClipboardText(QString::fromStdString(VideoSite::Link("ui1") + "\n" + VideoSite::Link("ui2") +
                                            "\n" + VideoSite::Link("ui3")));
    Page().ActionURLPaste()->trigger();
    Page().CheckBoxYouTubeQuality()->click();
    Main().ActionNextExecute();
    ASSERT_EQ(Main().Page(), WizardPage::Step6);
    auto* status = Find<QLabel>(Main(), "LabelURLStatus");
    ASSERT_TRUE(test::WaitFor([&] {
        return test::FolderNames(Folder()).size() == 2 && status->text() == "Downloading...";
    }));
    EXPECT_EQ(Find<QLabel>(Main(), "LabelURLCurrentFile")->text(), "Slow");
    EXPECT_NE(Find<QLabel>(Main(), "LabelURLElapsedTime")->text(), "...");

    test::ScriptedDialogs dialogs;
    dialogs.Answers = {QMessageBox::No};
    Main().ActionExitExecute();
    EXPECT_EQ(dialogs.Texts(), QStringList{"Do you really want to cancel the downloading?"});
    QTest::qWait(100);
    EXPECT_EQ(Main().Page(), WizardPage::Step6);

    dialogs.Answers = {QMessageBox::Yes};
    Main().ActionExitExecute();
    ASSERT_TRUE(test::WaitFor([&] { return Main().Page() == WizardPage::Step7; }));
    EXPECT_EQ(Counts(), (QStringList{"3", "1", "2"}));
    EXPECT_EQ(test::FolderNames(Folder()), std::vector<std::string>{"First.flv"});
    EXPECT_FALSE(Main().Settings().PreferYouTubeQuality);
}

TEST_F(DownloadTest, ClosingTheWindowStopsTheDownloadWithoutASummary) {
    Site().Add({"closing", "Closing", {{"", MediaAnswer::Of(MediaAnswer::Kind::Slow, 50 << 20)}}});
    SetClipboardText(QString::fromStdString(VideoSite::Link("closing")));
    Page().ActionURLPaste()->trigger();
    Page().CheckBoxYouTubeQuality()->click();
    Main().ActionNextExecute();
    ASSERT_TRUE(test::WaitFor([&] { return test::FolderNames(Folder()).size() == 1; }));
    test::ScriptedDialogs dialogs;
    Main().close();
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_EQ(Main().Page(), WizardPage::Step6);
    EXPECT_TRUE(test::FolderNames(Folder()).empty());
}

TEST_F(DownloadTest, ClosingTheWindowKillsAYtDlpStillResolving) {
    test::TempDir bin;
    const std::string pidFile = bin.File("pid");
    test::WriteTextFile(bin.File("yt-dlp"),
                        "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 30\n");
    ::chmod(bin.File("yt-dlp").c_str(), 0755);
    const test::ScopedEnv path("PATH", bin.Path() + ":/usr/bin:/bin");
    SetClipboardText(QString::fromStdString(VideoSite::Link("uiresolving")));
    Page().ActionURLPaste()->trigger();
    Main().ActionNextExecute();
    ASSERT_TRUE(test::WaitFor([&] { return !test::ReadTextFile(pidFile).empty(); }));
    const std::string pid =
        test::ReadTextFile(pidFile).substr(0, test::ReadTextFile(pidFile).find('\n'));
    test::ScriptedDialogs dialogs;
    Main().close();
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_EQ(Main().Page(), WizardPage::Step6);
    // Neither running nor left as a zombie: ps knows no such process.
    EXPECT_EQ(test::RunProcess({"ps", "-o", "pid=,stat=", "-p", pid}).Out, "");
}

TEST_F(DownloadTest, TheHandOffNeedsADownloadedFile) {
    Site().Add({"uinone", "None", {}});
    SetClipboardText(QString::fromStdString(VideoSite::Link("uinone")));
    Page().ActionURLPaste()->trigger();
    Page().CheckBoxYouTubeQuality()->click();
    Main().ActionNextExecute();
    ASSERT_TRUE(test::WaitFor([&] { return Main().Page() == WizardPage::Step7; }));
    EXPECT_EQ(Counts(), (QStringList{"1", "0", "1"}));
    test::ScriptedDialogs dialogs;
    Find<QPushButton>(Main(), "ButtonConvertDownloaded")->click();
    EXPECT_EQ(dialogs.Texts(), QStringList{"No file downloaded! Please try again."});
    EXPECT_EQ(Main().Page(), WizardPage::Step7);
    EXPECT_EQ(Main().Inputs().Count(), 0);
}

}  // namespace
}  // namespace mw
