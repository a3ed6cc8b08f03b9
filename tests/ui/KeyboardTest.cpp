#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <set>

#include "UiSupport.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "ui/ChoiceButton.h"
#include "ui/FinishPage.h"
#include "ui/FormatPage.h"
#include "ui/InputPage.h"
#include "ui/ModePage.h"
#include "ui/ProgressPage.h"

namespace mw {
namespace {

using test::Find;

// The window as the user has it: shown, active and taking the keys.
void Activate(TFormMain& main) {
    main.activateWindow();
    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(test::WaitFor([&] { return main.isActiveWindow(); }));
}

QWidget* Focus(TFormMain& main) {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : &main;
}

// A key as the keyboard gives it: to the control with the focus.
void Press(TFormMain& main, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focus(main), key, modifiers);
}

// Presses Tab until the named control has the focus; false when it was never reached.
bool TabTo(TFormMain& main, const QString& name) {
    for (int presses = 0; presses < 60; ++presses) {
        if (Focus(main)->objectName() == name) {
            return true;
        }
        Press(main, Qt::Key_Tab);
    }
    return false;
}

// One round of Tab through the window, from the first control after the title bar's close
// button back to it.
QStringList TabRound(TFormMain& main) {
    Find<QWidget>(main, "ButtonClose")->setFocus(Qt::TabFocusReason);
    QStringList names;
    for (int presses = 0; presses < 80; ++presses) {
        Press(main, Qt::Key_Tab);
        names << Focus(main)->objectName();
        if (names.back() == "ButtonClose") {
            break;
        }
    }
    return names;
}

// Every control a mouse could press now: shown, enabled and taking the focus from Tab.
std::set<QString> PressableControls(TFormMain& main) {
    std::set<QString> names;
    for (QWidget* widget : main.findChildren<QWidget*>()) {
        if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
            !widget->focusProxy()) {
            names.insert(widget->objectName());
        }
    }
    return names;
}

QStringList FrameControls(bool back, bool next) {
    QStringList names = {"LabelMoreTools", "ButtonHelp", "ButtonLog"};
    if (back) {
        names << "ButtonBack";
    }
    if (next) {
        names << "ButtonNext";
    }
    return names << "ButtonExit"
                 << "ButtonMin"
                 << "ButtonClose";
}

struct ChainRow {
    WizardPage Page;
    QStringList PageControls;  // in Tab order
    bool Back;
    bool Next;
};

TEST(Keyboard, TabReachesEveryControlInReadingOrder) {
    const ChainRow rows[] = {
        // Of a group of choices Tab reaches the checked one; the pictures choose as well.
        {WizardPage::Mode,
         {"ImageDownloadVideo", "ImageConvertVideo", "RadioButtonDownloadVideo"},
         false,
         true},
        // The grid takes the focus with its first row: what needs a selection follows.
        {WizardPage::Step1,
         {"NextGrid", "ButtonAddDVD", "ButtonAdd", "ButtonDelete", "ButtonClear", "ButtonMoveDown",
          "ButtonPlay"},
         true,
         true},
        {WizardPage::Step2,
         {"EditOutputDir", "ButtonSelectDir", "ButtonToFormatDevice", "ButtonToFormatAudio",
          "ButtonFormatMP4", "ButtonFormatFLV", "ButtonFormatSWF", "ButtonFormatMPEG",
          "ButtonFormatRM", "ButtonFormatWMV", "ButtonFormatMOV", "ButtonFormat3GP",
          "ImageComboBoxAVIPresets"},
         true,
         true},
        {WizardPage::Step3,
         {"ListViewConverting", "CheckBoxPlayASound", "CheckBoxShutdown"},
         false,
         false},
        {WizardPage::Step4, {"LabelOpenFolder"}, false, true},
        {WizardPage::Step5,
         {"ListViewInputURL", "EditURLOutput", "ButtonURLSelect", "CheckBoxYouTubeQuality"},
         true,
         true},
        {WizardPage::Step7, {"LabelURLOpenFolder", "ButtonConvertDownloaded"}, false, true},
    };
    for (const ChainRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << "page " << static_cast<int>(row.Page));
        test::UiAccount account;
        test::ProgramWindows windows(test::FullEdition());
        TFormMain& main = *windows.Main;
        Activate(main);
        main.SetPage(WizardPage::Step1);
        main.Step1()->AddFiles({test::Media().Video, test::Media().Song});
        if (row.Page == WizardPage::Step2) {
            main.ActionNextExecute();
        }
        main.SetPage(row.Page);
        const QStringList round = TabRound(main);
        EXPECT_EQ(round, row.PageControls + FrameControls(row.Back, row.Next));
        const std::set<QString> visited(round.begin(), round.end());
        EXPECT_EQ(visited, PressableControls(main));
    }
}

TEST(Keyboard, EveryButtonOfAPageHasItsOwnAccessKey) {
    struct EditionRow {
        bool Download;
        bool Dvd;
        bool Merge;
    };
    const EditionRow editions[] = {{true, true, false}, {false, false, true}, {true, false, false}};
    for (const EditionRow& edition : editions) {
        test::UiAccount account;
        EditionConfig config = test::FullEdition();
        config.Download = edition.Download;
        config.DVD = edition.Dvd;
        config.Merge = edition.Merge;
        test::ProgramWindows windows(config);
        TFormMain& main = *windows.Main;
        for (int page = 0; page <= static_cast<int>(WizardPage::Step7); ++page) {
            SCOPED_TRACE(::testing::Message() << "page " << page << " download " << edition.Download
                                              << " dvd " << edition.Dvd);
            main.SetPage(static_cast<WizardPage>(page));
            std::map<QChar, QString> owners;
            for (const QAbstractButton* button : main.findChildren<QAbstractButton*>()) {
                const QKeySequence key = QKeySequence::mnemonic(button->text());
                if (!button->isVisible() || key.isEmpty()) {
                    continue;
                }
                const QChar letter = key.toString().back().toLower();
                EXPECT_FALSE(owners.contains(letter))
                    << button->objectName().toStdString() << " and " << owners[letter].toStdString()
                    << " share Alt+" << QString(letter).toStdString();
                owners[letter] = button->objectName();
            }
            for (const char* name : {"ButtonBack", "ButtonNext", "ButtonExit"}) {
                const QString caption = Find<QAbstractButton>(main, name)->text();
                EXPECT_FALSE(QKeySequence::mnemonic(caption).isEmpty())
                    << name << " " << caption.toStdString();
            }
        }
    }
}

TEST(Keyboard, AccessKeysPressTheFrameButtons) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    Activate(main);
    EXPECT_EQ(Find<QAbstractButton>(main, "ButtonNext")->text(), "&Next");
    main.Mode()->RadioButtonConvertVideo()->setChecked(true);
    Press(main, Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(test::WaitFor([&] { return main.Page() == WizardPage::Step1; }));
    // Step1 keeps C for Clear: Cancel takes its first free letter.
    EXPECT_EQ(Find<QAbstractButton>(main, "ButtonExit")->text(), "Canc&el");
    test::ScriptedDialogs dialogs;
    dialogs.Answers = {QMessageBox::Yes};
    Press(main, Qt::Key_E, Qt::AltModifier);
    ASSERT_TRUE(test::WaitFor([&] { return main.Page() == WizardPage::Mode; }));
    EXPECT_EQ(dialogs.Texts(), QStringList{"Are you sure to cancel?"});
}

struct KeyRow {
    WizardPage Page;
    const char* Focus;  // the control the key goes to
    Qt::Key Key;
    WizardPage After;
    QStringList Asked;  // the texts of the dialogs shown, answered No or OK
    bool OpenDialog;    // the open-file dialog was asked for
};

TEST(Keyboard, EnterMeansNextAndEscapeMeansExit) {
    const KeyRow rows[] = {
        {WizardPage::Mode, "RadioButtonDownloadVideo", Qt::Key_Enter, WizardPage::Step5, {}, false},
        // A picture is pressed as by the mouse: it checks its choice.
        {WizardPage::Mode, "ImageConvertVideo", Qt::Key_Space, WizardPage::Mode, {}, false},
        {WizardPage::Mode,
         "ButtonHelp",
         Qt::Key_Escape,
         WizardPage::Mode,
         {"Are you sure to quit now?"},
         false},
        // A focused push button is what Enter presses.
        {WizardPage::Step1, "ButtonAdd", Qt::Key_Return, WizardPage::Step1, {}, true},
        {WizardPage::Step1,
         "ButtonBack",
         Qt::Key_Return,
         WizardPage::Step1,
         {"Are you sure to cancel and go back?"},
         false},
        {WizardPage::Step1, "ButtonClear", Qt::Key_Space, WizardPage::Step1, {}, false},
        // Lists and text boxes keep Enter.
        {WizardPage::Step1, "NextGrid", Qt::Key_Return, WizardPage::Step1, {}, false},
        {WizardPage::Step2, "EditOutputDir", Qt::Key_Return, WizardPage::Step2, {}, false},
        {WizardPage::Step2,
         "EditOutputDir",
         Qt::Key_Escape,
         WizardPage::Step2,
         {"Are you sure to cancel?"},
         false},
        {WizardPage::Step4,
         "ButtonExit",
         Qt::Key_Space,
         WizardPage::Step4,
         {"Are you sure to quit now?"},
         false},
        {WizardPage::Step4,
         "ButtonHelp",
         Qt::Key_Escape,
         WizardPage::Step4,
         {"Are you sure to quit now?"},
         false},
    };
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << "page " << static_cast<int>(row.Page) << " "
                                          << row.Focus << " key " << row.Key);
        test::UiAccount account;
        test::ProgramWindows windows(test::FullEdition());
        TFormMain& main = *windows.Main;
        Activate(main);
        main.SetPage(WizardPage::Step1);
        main.Step1()->AddFiles({test::Media().Song});
        if (row.Page == WizardPage::Step2) {
            main.ActionNextExecute();
        }
        main.SetPage(row.Page);
        test::ScriptedDialogs dialogs;
        Find<QWidget>(main, row.Focus)->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(Focus(main)->objectName(), row.Focus);
        Press(main, row.Key);
        EXPECT_EQ(main.Page(), row.After);
        EXPECT_EQ(dialogs.Texts(), row.Asked);
        EXPECT_EQ(dialogs.FileRequests.size(), row.OpenDialog ? 1u : 0u);
        EXPECT_TRUE(main.isVisible());
    }
}

TEST(Keyboard, ChoosingAClassLeavesTheFolderBoxAlone) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    Activate(main);
    main.SetPage(WizardPage::Step1);
    main.Step1()->AddFiles({test::Media().Song});
    main.ActionNextExecute();
    FormatPage& page = *main.Step2();
    ASSERT_TRUE(TabTo(main, "ButtonToFormatAudio"));
    Press(main, Qt::Key_Space);
    // The formats of the class come next; MP3, the chosen one, is passed over.
    EXPECT_EQ(Focus(main)->objectName(), "ButtonFormatWAV");
    EXPECT_FALSE(page.EditOutputDir()->hasSelectedText());
    Press(main, Qt::Key_Space);
    EXPECT_EQ(Focus(main), page.PresetList(*FindOutputFormat("WAV")));
    EXPECT_EQ(main.Settings().OutputAudioFormat, 0);
    // With the mouse the choice takes no focus at all.
    page.EditOutputDir()->setFocus(Qt::MouseFocusReason);
    page.ClassButton(FormatClass::Device)->click();
    EXPECT_EQ(Focus(main), page.EditOutputDir());
    EXPECT_FALSE(page.EditOutputDir()->hasSelectedText());
}

TEST(Keyboard, AWholeConversionWithoutTheMouse) {
    test::LoadEngineLibraries();
    test::UiAccount account;
    test::FixturePlan plan;
    plan.AudioCodec = "aac";
    plan.VideoCodec = "mpeg4";
    plan.Width = 160;
    plan.Height = 120;
    plan.Seconds = 20;
    const std::string clip = account.Folder().File("clip.mp4");
    test::WriteFixture(clip, plan);

    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    main.Engine().SetProgressInterval(100);
    Activate(main);
    test::ScriptedDialogs dialogs;
    dialogs.FilesToOpen = {clip};

    ASSERT_TRUE(TabTo(main, "ImageConvertVideo"));
    Press(main, Qt::Key_Space);
    EXPECT_EQ(Focus(main), main.Mode()->RadioButtonConvertVideo());
    Press(main, Qt::Key_Return);
    ASSERT_EQ(main.Page(), WizardPage::Step1);

    ASSERT_TRUE(TabTo(main, "ButtonAdd"));
    Press(main, Qt::Key_Space);
    ASSERT_EQ(main.Inputs().Count(), 1);
    ASSERT_TRUE(TabTo(main, "ButtonNext"));
    Press(main, Qt::Key_Return);
    ASSERT_EQ(main.Page(), WizardPage::Step2);

    // The output folder, typed in.
    const std::string folder = account.Folder().Path() + "typed/";
    ASSERT_TRUE(TabTo(main, "EditOutputDir"));
    EXPECT_TRUE(main.Step2()->EditOutputDir()->hasSelectedText());
    QTest::keyClicks(Focus(main), QString::fromStdString(folder));
    ASSERT_TRUE(TabTo(main, "ButtonToFormatAudio"));
    Press(main, Qt::Key_Space);
    ASSERT_EQ(Focus(main)->objectName(), "ButtonFormatWAV");
    Press(main, Qt::Key_Space);
    // Enter from the preset list means Convert.
    Press(main, Qt::Key_Return);
    ASSERT_EQ(main.Page(), WizardPage::Step3);

    // Escape asks to cancel; No lets the run go on to its end.
    ASSERT_TRUE(test::WaitFor([&] { return main.Step3()->ProgressBar()->value() > 0; }));
    Press(main, Qt::Key_Escape);
    EXPECT_EQ(dialogs.Texts().back(), "Do you really want to cancel the conversion?");
    ASSERT_TRUE(test::WaitFor([&] { return main.Page() == WizardPage::Step4; }));
    EXPECT_EQ(main.Step4()->LabelFinishSuccessed()->text(), "1");
    EXPECT_FALSE(main.Step4()->LabelFinishCancelled()->isVisible());

    const std::string output = folder + "clip.wav";
    const auto probe = test::FFprobe(output);
    EXPECT_EQ(probe.at("format.format_name"), "wav");
    EXPECT_EQ(probe.at("streams.stream.0.codec_type"), "audio");
    EXPECT_NEAR(std::stod(probe.at("format.duration")), 20.0, 0.2);
    EXPECT_EQ(test::RunProcess({"ffmpeg", "-v", "error", "-i", output, "-f", "null", "-"}).ExitCode,
              0);

    // Finish with the keyboard leads back to the start.
    ASSERT_TRUE(TabTo(main, "ButtonNext"));
    EXPECT_EQ(Find<QAbstractButton>(main, "ButtonNext")->text(), "&Finish");
    Press(main, Qt::Key_Return);
    EXPECT_EQ(main.Page(), WizardPage::Mode);
    EXPECT_EQ(main.Inputs().Count(), 0);
}

}  // namespace
}  // namespace mw
