#include <gtest/gtest.h>

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <filesystem>

#include "UiSupport.h"
#include "core/EditionTable.h"
#include "core/Ini.h"
#include "formats/FormatCatalog.h"
#include "ui/ChoiceButton.h"
#include "ui/FormatPage.h"
#include "ui/ImageButton.h"
#include "ui/InputGrid.h"
#include "ui/InputPage.h"
#include "ui/ModePage.h"

namespace mw {
namespace {

using test::Find;

struct PageRow {
    bool Download;
    bool Merge;
    WizardPage Page;
    const char* Title;
    const char* Next;
    bool NextEnabled;
    bool BackEnabled;
    const char* Exit;
};

constexpr const char* kStep1Title =
    "Select the videos you want to convert. Use \"Move Up\" and \"Move Down\" to change the "
    "order.";

TEST(Wizard, TitleAndButtonsOfEveryPage) {
    const PageRow rows[] = {
        {true, false, WizardPage::Mode, "Welcome to MediaWizard! What do you want to do?", "Next",
         true, false, "Exit"},
        {true, false, WizardPage::Step1, kStep1Title, "Next", true, true, "Cancel"},
        {false, false, WizardPage::Step1, kStep1Title, "Next", true, false, "Exit"},
        {true, false, WizardPage::Step2,
         "Select an output mode and specify a path for the output files.", "Convert", true, true,
         "Cancel"},
        {true, true, WizardPage::Step2,
         "Select an output mode and specify a path for the output files.", "Join Now", true, true,
         "Cancel"},
        {true, false, WizardPage::Step3, "Conversion information.", "Next", false, false, "Cancel"},
        {true, false, WizardPage::Step4, "The conversion is finished.", "Finish", true, false,
         "Exit"},
        {true, false, WizardPage::Step5,
         "Copy a YouTube link from your browser address bar and Paste here", "Download", true, true,
         "Cancel"},
        {true, false, WizardPage::Step6, "Downloading information.", "Next", false, false,
         "Cancel"},
        {true, false, WizardPage::Step7, "The downloading is finished.", "Finish", true, false,
         "Exit"},
    };
    for (const PageRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << "page " << static_cast<int>(row.Page) << " download "
                                          << row.Download << " merge " << row.Merge);
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Download = row.Download;
        edition.Merge = row.Merge;
        test::ProgramWindows windows(edition);
        windows.Main->SetPage(row.Page);
        TFormMain& main = *windows.Main;
        EXPECT_EQ(Find<QLabel>(main, "LabelTitle")->text(), row.Title);
        const auto* next = Find<ImageButton>(main, "ButtonNext");
        const auto* back = Find<ImageButton>(main, "ButtonBack");
        const auto* exit = Find<ImageButton>(main, "ButtonExit");
        // The captions as they read; their access keys are tested with the keyboard.
        const auto caption = [](const ImageButton* button) {
            return QString(button->text()).remove('&');
        };
        EXPECT_EQ(caption(next), row.Next);
        EXPECT_EQ(next->isEnabled(), row.NextEnabled);
        EXPECT_EQ(caption(back), "Back");
        EXPECT_EQ(back->isEnabled(), row.BackEnabled);
        EXPECT_EQ(caption(exit), row.Exit);
        EXPECT_TRUE(exit->isEnabled());
    }
}

TEST(Wizard, StartPageFollowsTheDownloadFeature) {
    for (const bool download : {true, false}) {
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Download = download;
        test::ProgramWindows windows(edition);
        EXPECT_EQ(windows.Main->Page(), download ? WizardPage::Mode : WizardPage::Step1);
        EXPECT_EQ(windows.Main->windowTitle(), "MediaWizard");
    }
}

TEST(Wizard, ModeLeadsToDownloadOrToTheInputPage) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Step5);
    test::ScriptedDialogs dialogs;
    dialogs.Answers = {QMessageBox::Yes};
    main.ActionBackExecute();
    EXPECT_EQ(main.Page(), WizardPage::Mode);
    // Clicking the picture checks its choice.
    QTest::mouseClick(Find<QLabel>(main, "ImageConvertVideo"), Qt::LeftButton);
    EXPECT_TRUE(main.Mode()->RadioButtonConvertVideo()->isChecked());
    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Step1);
}

struct QuestionRow {
    bool Download;
    WizardPage Page;
    bool Exit;  // else Back
    const char* Question;
    bool Yes;
    WizardPage After;
    bool ListEmptied;
    bool Closed;
};

TEST(Wizard, QuestionsActOnlyOnYes) {
    const QuestionRow rows[] = {
        {true, WizardPage::Step1, false, "Are you sure to cancel and go back?", true,
         WizardPage::Mode, true, false},
        {true, WizardPage::Step1, false, "Are you sure to cancel and go back?", false,
         WizardPage::Step1, false, false},
        {true, WizardPage::Step1, true, "Are you sure to cancel?", true, WizardPage::Mode, true,
         false},
        {true, WizardPage::Step1, true, "Are you sure to cancel?", false, WizardPage::Step1, false,
         false},
        {false, WizardPage::Step1, true, "Are you sure to quit now?", true, WizardPage::Step1,
         false, true},
        {false, WizardPage::Step1, true, "Are you sure to quit now?", false, WizardPage::Step1,
         false, false},
        {true, WizardPage::Step2, true, "Are you sure to cancel?", true, WizardPage::Mode, true,
         false},
        {false, WizardPage::Step2, true, "Are you sure to cancel?", true, WizardPage::Step1, true,
         false},
        {true, WizardPage::Step2, true, "Are you sure to cancel?", false, WizardPage::Step2, false,
         false},
        {true, WizardPage::Step5, true, "Are you sure to cancel?", true, WizardPage::Mode, false,
         false},
        {true, WizardPage::Step5, false, "Are you sure to cancel and go back?", false,
         WizardPage::Step5, false, false},
        {true, WizardPage::Step3, true, "Do you really want to cancel the conversion?", false,
         WizardPage::Step3, false, false},
        {true, WizardPage::Step6, true, "Do you really want to cancel the downloading?", false,
         WizardPage::Step6, false, false},
        {true, WizardPage::Mode, true, "Are you sure to quit now?", false, WizardPage::Mode, false,
         false},
        {true, WizardPage::Mode, true, "Are you sure to quit now?", true, WizardPage::Mode, false,
         true},
        {true, WizardPage::Step4, true, "Are you sure to quit now?", false, WizardPage::Step4,
         false, false},
        {true, WizardPage::Step7, true, "Are you sure to quit now?", true, WizardPage::Step7, false,
         true},
    };
    for (const QuestionRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.Question << " on page "
                                          << static_cast<int>(row.Page) << " yes " << row.Yes);
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Download = row.Download;
        test::ProgramWindows windows(edition);
        TFormMain& main = *windows.Main;
        main.Step1()->AddFiles({test::Media().Video});
        main.SetPage(row.Page);
        test::ScriptedDialogs dialogs;
        dialogs.Answers = {row.Yes ? QMessageBox::Yes : QMessageBox::No};
        if (row.Exit) {
            main.ActionExitExecute();
        } else {
            main.ActionBackExecute();
        }
        ASSERT_EQ(dialogs.Messages.size(), 1u);
        const MessageRequest& asked = dialogs.Messages.front();
        EXPECT_EQ(asked.Text, row.Question);
        EXPECT_EQ(asked.Caption, "MediaWizard");
        EXPECT_EQ(asked.Icon, QMessageBox::Question);
        EXPECT_EQ(asked.Buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(main.Page(), row.After);
        EXPECT_EQ(main.Inputs().Count(), row.ListEmptied ? 0 : 1);
        EXPECT_EQ(main.isVisible(), !row.Closed);
    }
}

TEST(Wizard, AltF4AsksTheExitQuestion) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    QApplication::setActiveWindow(&main);
    test::ScriptedDialogs dialogs;
    QTest::keyClick(&main, Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(dialogs.Texts(), QStringList{"Are you sure to quit now?"});
    EXPECT_TRUE(main.isVisible());
}

TEST(Wizard, AClosingAskedByTheSystemAsksWhereExitQuits) {
    struct CloseRow {
        WizardPage Page;
        QStringList Asked;
        bool Yes;
        bool Closed;
    };
    // Alt+F4 reaches a window through the window manager as a request to close it.
    const CloseRow rows[] = {
        {WizardPage::Mode, {"Are you sure to quit now?"}, false, false},
        {WizardPage::Mode, {"Are you sure to quit now?"}, true, true},
        {WizardPage::Step4, {"Are you sure to quit now?"}, false, false},
        {WizardPage::Step2, {}, false, true},
    };
    for (const CloseRow& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "page " << static_cast<int>(row.Page) << " yes " << row.Yes);
        test::UiAccount account;
        test::ProgramWindows windows(test::FullEdition());
        TFormMain& main = *windows.Main;
        main.SetPage(row.Page);
        test::ScriptedDialogs dialogs;
        dialogs.Answers = {row.Yes ? QMessageBox::Yes : QMessageBox::No};
        // Marked as coming from outside the program, delivered the way the test library
        // delivers its keys.
        QCloseEvent request;
        QSpontaneKeyEvent::setSpontaneous(&request);
        QCoreApplication::instance()->notify(&main, &request);
        EXPECT_EQ(dialogs.Texts(), row.Asked);
        EXPECT_EQ(request.isAccepted(), row.Closed);
    }
    // Closing from the program itself (the title bar's button) asks nothing when idle.
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    test::ScriptedDialogs dialogs;
    Find<ImageButton>(*windows.Main, "ButtonClose")->click();
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_FALSE(windows.Main->isVisible());
}

TEST(Wizard, NoticesKeepThePage) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    main.SetPage(WizardPage::Step1);
    test::ScriptedDialogs dialogs;
    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Step1);

    main.Step1()->AddFiles({test::Media().Song});
    main.ActionNextExecute();
    ASSERT_EQ(main.Page(), WizardPage::Step2);
    // A folder below a file can never be made.
    const std::string blocker = account.Folder().File("blocker");
    test::WriteTextFile(blocker, "x");
    main.Step2()->EditOutputDir()->setText(QString::fromStdString(blocker + "/out"));
    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Step2);

    main.SetPage(WizardPage::Step5);
    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Step5);

    EXPECT_EQ(dialogs.Texts(),
              (QStringList{
                  "Please add the video files you want to convert",
                  "Fail to create directory! Please check if output folder have the right format!",
                  "Please Copy & Paste the YouTube video links you want to download."}));
    for (const MessageRequest& notice : dialogs.Messages) {
        EXPECT_EQ(notice.Icon, QMessageBox::Information);
        EXPECT_EQ(notice.Buttons, QMessageBox::Ok);
    }
}

TEST(Wizard, FinishReturnsToTheStartPageWithEmptyLists) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    TFormMain& main = *windows.Main;
    main.Step1()->AddFiles({test::Media().Video, test::Media().Song});
    main.SetPage(WizardPage::Step4);
    main.ActionNextExecute();
    EXPECT_EQ(main.Page(), WizardPage::Mode);
    EXPECT_EQ(main.Inputs().Count(), 0);
    EXPECT_EQ(main.Step1()->Grid()->model()->rowCount(), 0);
}

struct LayoutRow {
    const char* Name;
    std::vector<const char*> Formats;  // edition keys switched on
    bool ClassButtons;
    int FormatPageTop;
};

TEST(Wizard, FormatAndClassButtonsFollowTheEdition) {
    const LayoutRow rows[] = {
        {"no format", {}, false, 172},
        {"one class", {"WAV", "MP3", "FLAC"}, false, 120},
        {"three classes", {"AVI", "IPOD", "MP3"}, true, 172},
    };
    for (const LayoutRow& row : rows) {
        SCOPED_TRACE(row.Name);
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.VideoFormats.fill(false);
        edition.DeviceFormats.fill(false);
        edition.AudioFormats.fill(false);
        for (const char* key : row.Formats) {
            const OutputFormat* format = FindOutputFormat(key);
            const auto slot = static_cast<std::size_t>(format->Index);
            switch (format->Class) {
                case FormatClass::Video:
                    edition.VideoFormats[slot] = true;
                    break;
                case FormatClass::Device:
                    edition.DeviceFormats[slot] = true;
                    break;
                case FormatClass::Audio:
                    edition.AudioFormats[slot] = true;
                    break;
            }
        }
        test::ProgramWindows windows(edition);
        FormatPage& page = *windows.Main->Step2();
        EXPECT_EQ(page.PageControlToFormat()->y(), row.FormatPageTop);
        for (FormatClass formatClass :
             {FormatClass::Video, FormatClass::Device, FormatClass::Audio}) {
            EXPECT_EQ(page.ClassButton(formatClass)->isVisibleTo(&page), row.ClassButtons);
        }
        if (row.ClassButtons) {
            EXPECT_EQ(page.ClassButton(FormatClass::Video)->pos(), QPoint(18, 135));
            EXPECT_EQ(page.ClassButton(FormatClass::Device)->pos(), QPoint(189, 135));
            EXPECT_EQ(page.ClassButton(FormatClass::Audio)->pos(), QPoint(360, 135));
        }
        // Enabled buttons take the cells in catalogue order; the others are hidden.
        int cell = 0;
        for (const OutputFormat& format : OutputFormatsOf(FormatClass::Audio)) {
            ChoiceButton* button = page.FormatButton(format);
            const bool shown = button->isVisibleTo(button->parentWidget());
            const bool wanted =
                std::find_if(row.Formats.begin(), row.Formats.end(), [&](const char* key) {
                    return key == format.EditionKey;
                }) != row.Formats.end();
            EXPECT_EQ(shown, wanted) << format.Name;
            if (wanted) {
                EXPECT_EQ(button->pos(), QPoint(10 + cell * 64, 5)) << format.Name;
                ++cell;
            }
        }
    }
}

TEST(Wizard, NineVideoButtonsWrapOntoASecondRow) {
    test::UiAccount account;
    test::ProgramWindows windows(test::FullEdition());
    FormatPage& page = *windows.Main->Step2();
    // (520 - 10 - 2) div 62 = 8 columns: 3GP starts the second row.
    EXPECT_EQ(page.FormatButton(*FindOutputFormat("MOV"))->pos(), QPoint(10 + 7 * 64, 5));
    EXPECT_EQ(page.FormatButton(*FindOutputFormat("3GP"))->pos(), QPoint(10, 65));
}

TEST(Wizard, LoadDvdMovesTheAddButton) {
    for (const bool dvd : {true, false}) {
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.DVD = dvd;
        test::ProgramWindows windows(edition);
        InputPage& page = *windows.Main->Step1();
        EXPECT_EQ(Find<QWidget>(page, "ButtonAdd")->y(), dvd ? 40 : 8);
        EXPECT_EQ(Find<QWidget>(page, "ButtonAddDVD")->isVisibleTo(&page), dvd);
        EXPECT_EQ(page.ActionLoadDVD()->isVisible(), dvd);
    }
}

struct SkinRow {
    const char* Skin;
    const char* Res;
    QPoint Close;
    QPoint Next;
    QPoint Pages;
    QPoint Title;
    QSize Window;
};

TEST(Wizard, SkinsPlaceTheFrameControls) {
    const SkinRow rows[] = {
        {"0", "0", {728, 4}, {522, 510}, {203, 74}, {24, 43}, {760, 550}},
        {"1", "1", {794, 3}, {495, 566}, {240, 110}, {252, 70}, {824, 610}},
        {"2", "2", {728, 4}, {522, 513}, {198, 74}, {24, 43}, {760, 550}},
        // Any other number keeps the designed layout.
        {"3", "0", {728, 4}, {522, 510}, {203, 74}, {24, 43}, {760, 550}},
    };
    for (const SkinRow& row : rows) {
        SCOPED_TRACE(row.Skin);
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Skin = row.Skin;
        edition.Res = row.Res;
        test::ProgramWindows windows(edition);
        TFormMain& main = *windows.Main;
        EXPECT_EQ(Find<QWidget>(main, "ButtonClose")->pos(), row.Close);
        EXPECT_EQ(Find<QWidget>(main, "ButtonNext")->pos(), row.Next);
        EXPECT_EQ(Find<QWidget>(main, "PageControlMain")->pos(), row.Pages);
        EXPECT_EQ(Find<QWidget>(main, "LabelTitle")->pos(), row.Title);
        EXPECT_EQ(main.size(), row.Window);
        // The fuchsia corners of the picture are not part of the window.
        EXPECT_FALSE(main.mask().contains(QPoint(0, 0)));
        EXPECT_TRUE(main.mask().contains(QPoint(row.Window.width() / 2, row.Window.height() / 2)));
    }
}

TEST(Wizard, StartUpErrorsAreShownAndEndTheSequence) {
    struct ErrorRow {
        const char* Skin;
        const char* Res;
        const char* Message;
    };
    const ErrorRow rows[] = {
        {"x", "0", "'x' is not a valid integer value"},
        {"0", "9", "toplogo.png"},
    };
    for (const ErrorRow& row : rows) {
        SCOPED_TRACE(row.Message);
        test::UiAccount account;
        test::ScriptedDialogs dialogs;
        EditionConfig edition = test::FullEdition();
        edition.Skin = row.Skin;
        edition.Res = row.Res;
        test::ProgramWindows windows(edition);
        ASSERT_EQ(dialogs.Messages.size(), 1u);
        EXPECT_TRUE(dialogs.Messages.front().Text.contains(row.Message))
            << dialogs.Messages.front().Text.toStdString();
        // The start-up ends there: no window without its pictures and controls.
        EXPECT_TRUE(windows.Main->StartupFailed());
        EXPECT_FALSE(windows.Main->isVisible());
        // The settings were never read, so nothing is written at close either.
        EXPECT_TRUE(windows.Main->SettingsFolder().empty());
        windows.Main->close();
        EXPECT_FALSE(std::filesystem::exists(account.ConfigFolder() + "MediaWizard/system.dat"));
    }
}

TEST(Wizard, CompactAndSimpleAboutEditions) {
    struct EditionRowCase {
        const char* Name;
        bool Compact;
        const char* MoreTools;
    };
    std::vector<EditionRowCase> cases = {{"MediaWizard", false, "more free tools..."},
                                         {"An Unknown Edition", false, "more free tools..."}};
    const auto rows = EditionRows();
    const auto compact = std::find_if(rows.begin(), rows.end(),
                                      [](const EditionRow& row) { return row.CompactWindow; });
    const auto simple = std::find_if(rows.begin(), rows.end(), [](const EditionRow& row) {
        return row.SimpleAbout && !row.CompactWindow;
    });
    ASSERT_NE(compact, rows.end());
    ASSERT_NE(simple, rows.end());
    cases.push_back({compact->Name.c_str(), true, nullptr});
    cases.push_back({simple->Name.c_str(), false, "more tools..."});
    ASSERT_EQ(cases.size(), 4u);
    for (const EditionRowCase& row : cases) {
        SCOPED_TRACE(row.Name);
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Name = row.Name;
        test::ProgramWindows windows(edition);
        QCoreApplication::processEvents();
        TFormMain& main = *windows.Main;
        for (const char* name : {"LabelVersion", "LabelMoreTools", "ButtonHelp", "ButtonLog"}) {
            EXPECT_EQ(Find<QWidget>(main, name)->isVisibleTo(&main), !row.Compact) << name;
        }
        EXPECT_EQ(Find<QLabel>(main, "LabelVersion")->text(), "Version: 1.0.0");
        if (row.MoreTools) {
            EXPECT_EQ(Find<QLabel>(main, "LabelMoreTools")->text(), row.MoreTools);
        }
    }
}

TEST(Wizard, HelpMenuEntriesAndPlace) {
    test::UiAccount account;
    EditionConfig edition = test::FullEdition();
    edition.Skin = "2";
    edition.Res = "2";
    test::ProgramWindows windows(edition);
    QCoreApplication::processEvents();
    TFormMain& main = *windows.Main;
    QStringList captions;
    for (const QAction* entry : main.PopupMenuHelp()->actions()) {
        captions << (entry->isSeparator() ? "-" : entry->text());
    }
    EXPECT_EQ(captions,
              (QStringList{"Help Content", "How Tos && Tutorial Videos...", "-", "Home Page...",
                           "More Free Tools...", "-", "Check for Updates...",
                           "Contact Technical Support...", "-", "About"}));
    EXPECT_EQ(main.PopupMenuHelp()->actions().front()->shortcut(), QKeySequence(Qt::Key_F1));
    // Skin 2 opens the menu 5 pixels right of the button, below it.
    main.move(100, 50);
    Find<ImageButton>(main, "ButtonHelp")->click();
    EXPECT_TRUE(main.PopupMenuHelp()->isVisible());
    EXPECT_EQ(main.PopupMenuHelp()->pos(), QPoint(100 + 40 + 5, 50 + 513 + 30));
    main.PopupMenuHelp()->hide();
}

TEST(Wizard, FirstStartCentresAndLaterStartsRestoreThePlacement) {
    test::UiAccount account;
    const std::string settings = account.ConfigFolder() + "MediaWizard/system.dat";
    {
        test::ProgramWindows windows(test::FullEdition());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(windows.Main->pos(),
                  QPoint((screen.width() - 760) / 2, (screen.height() - 550) / 2));
        EXPECT_TRUE(std::filesystem::exists(settings));
        windows.Main->move(40, 30);
    }
    Ini ini(settings);
    EXPECT_EQ(ini.ReadInteger("Form", "x", -1), 40);
    EXPECT_EQ(ini.ReadInteger("Form", "y", -1), 30);
    ini.WriteInteger("Form", "x", 5000);
    test::ProgramWindows again(test::FullEdition());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(again.Main->pos(), QPoint(screen.width() - 760, 30));
}

TEST(Wizard, OpeningAndClosingTwentyTimes) {
    test::UiAccount account;
    for (int i = 0; i < 20; ++i) {
        test::ProgramWindows windows(test::FullEdition());
        windows.Main->Step1()->AddFiles({test::Media().Video});
        windows.Main->close();
        EXPECT_FALSE(windows.Main->isVisible());
    }
}

}  // namespace
}  // namespace mw
