#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

#include "UiSupport.h"
#include "core/EditionTable.h"
#include "ui/About.h"
#include "ui/AddFailed.h"

namespace mw {
namespace {

using test::Find;

const EditionRow& FirstRow(bool (*matches)(const EditionRow&)) {
    const auto rows = EditionRows();
    const auto row = std::find_if(rows.begin(), rows.end(), matches);
    EXPECT_NE(row, rows.end());
    return *row;
}

const EditionRow& SimpleRow() {
    return FirstRow([](const EditionRow& row) { return row.SimpleAbout && !row.CompactWindow; });
}

const EditionRow& CompactRow() {
    return FirstRow([](const EditionRow& row) { return row.CompactWindow; });
}

EditionConfig EditionNamed(const std::string& name) {
    EditionConfig edition = test::FullEdition();
    edition.Name = name;
    edition.Version = "2.4.1";
    edition.Copyright = "Example Rights Ltd";
    return edition;
}

struct PageCommand {
    const char* Action;
    EditionPageKind Kind;
};

constexpr PageCommand kPageCommands[] = {
    {"ActionHelpContent", EditionPageKind::HelpContents},
    {"ActionHowTosTutorialVideos", EditionPageKind::HowToVideos},
    {"ActionHomePage", EditionPageKind::HomePage},
    {"ActionMoreFreeTools", EditionPageKind::MoreTools},
    {"ActionCheckforUpdates", EditionPageKind::Updates},
    {"ActionContactTechnicalSupport", EditionPageKind::Support},
};

// What the shell was asked to open for a page kind: the page, or nothing without one.
std::vector<std::string> Expected(const std::string& edition, EditionPageKind kind) {
    const std::string page = EditionPage(edition, kind);
    return page.empty() ? std::vector<std::string>{} : std::vector<std::string>{page};
}

TEST(WebLinks, EveryCommandOpensTheEditionsPage) {
    for (const std::string& name : {std::string("MediaWizard"), SimpleRow().Name, CompactRow().Name,
                                    std::string("An Unknown Edition")}) {
        SCOPED_TRACE(name);
        test::UiAccount account;
        test::ProgramWindows windows(EditionNamed(name));
        TFormMain& main = *windows.Main;
        for (const PageCommand& command : kPageCommands) {
            SCOPED_TRACE(command.Action);
            test::RecordingShell shell;
            Find<QAction>(main, command.Action)->trigger();
            EXPECT_EQ(shell.Opened, Expected(name, command.Kind));
        }
        {
            test::RecordingShell shell;
            QApplication::setActiveWindow(&main);
            QTest::keyClick(&main, Qt::Key_F1);
            EXPECT_EQ(shell.Opened, Expected(name, EditionPageKind::HelpContents));
        }
        if (auto* moreTools = Find<QLabel>(main, "LabelMoreTools"); moreTools->isVisible()) {
            test::RecordingShell shell;
            QTest::mouseClick(moreTools, Qt::LeftButton);
            EXPECT_EQ(shell.Opened, Expected(name, EditionPageKind::MoreTools));
        }
        {
            test::RecordingShell shell;
            TFormFailedAddFile report({"/tmp/broken.avi"}, name, &main);
            report.ButtonMoreInformation()->click();
            EXPECT_EQ(shell.Opened, Expected(name, EditionPageKind::Support));
        }
    }
}

TEST(WebLinks, TheStandardEditionHasADistinctPageForEveryCommand) {
    std::vector<std::string> pages;
    for (const PageCommand& command : kPageCommands) {
        pages.push_back(EditionPage("MediaWizard", command.Kind));
        EXPECT_FALSE(pages.back().empty()) << command.Action;
    }
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(std::unique(pages.begin(), pages.end()), pages.end());
}

TEST(About, CentredOverTheMainWindowWithHalvesTowardZero) {
    struct Case {
        QRect Main;
        QSize Size;
        QPoint At;
    };
    const Case cases[] = {
        {{100, 50, 760, 550}, {445, 217}, {100 + 157, 50 + 166}},
        {{0, 0, 400, 200}, {445, 217}, {-22, -8}},  // taller and wider: -45/2 and -17/2
        {{-300, -20, 101, 101}, {100, 100}, {-300, -20}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentredOver(c.Main, c.Size), c.At);
    }
}

struct AboutChoice {
    std::string Name;
    const char* Window;
};

TEST(About, TheEditionChoosesTheWindowShownModallyOverTheMain) {
    const AboutChoice cases[] = {{"MediaWizard", "mw::TFormAbout"},
                                 {SimpleRow().Name, "mw::TfrmAbout"},
                                 {"An Unknown Edition", "mw::TFormAbout"}};
    for (const AboutChoice& c : cases) {
        SCOPED_TRACE(c.Name);
        test::UiAccount account;
        test::ProgramWindows windows(EditionNamed(c.Name));
        TFormMain& main = *windows.Main;
        main.move(120, 40);
        test::ScriptedDialogs dialogs;
        std::vector<std::string> shown;
        QPoint at;
        QSize size;
        dialogs.OnModal = [&](QDialog& dialog) {
            shown.push_back(dialog.metaObject()->className());
            at = dialog.pos();
            size = dialog.size();
            return int(QDialog::Accepted);
        };
        Find<QAction>(main, "ActionAbout")->trigger();
        ASSERT_EQ(shown, std::vector<std::string>{c.Window});
        EXPECT_EQ(at, QPoint(120 + (main.width() - size.width()) / 2,
                             40 + (main.height() - size.height()) / 2));
    }
}

// Shows the About window the help menu opens and hands it to the check.
void WithAboutWindow(TFormMain& main, const std::function<void(QDialog&)>& check) {
    test::ScriptedDialogs dialogs;
    int shown = 0;
    dialogs.OnModal = [&](QDialog& dialog) {
        ++shown;
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        check(dialog);
        return dialog.result();
    };
    Find<QAction>(main, "ActionAbout")->trigger();
    EXPECT_EQ(shown, 1);
}

std::vector<std::string> Clicked(QWidget* target) {
    test::RecordingShell shell;
    QTest::mouseClick(target, Qt::LeftButton);
    return shell.Opened;
}

TEST(About, TabbedWindowShowsTheEditionAndOpensItsPages) {
    test::UiAccount account;
    test::ProgramWindows windows(EditionNamed("MediaWizard"));
    WithAboutWindow(*windows.Main, [](QDialog& about) {
        EXPECT_EQ(about.windowTitle(), "About ");
        EXPECT_TRUE(Find<QPushButton>(about, "ButtonOK")->isDefault());
        EXPECT_FALSE(about.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(about.minimumSize(), about.maximumSize());
        auto* tabs = Find<QTabWidget>(about, "PageControl");
        ASSERT_EQ(tabs->count(), 2);
        EXPECT_EQ(tabs->tabText(0), "About");
        EXPECT_EQ(tabs->tabText(1), "Update");
        EXPECT_EQ(Find<QLabel>(about, "LabalTitle")->text(), "MediaWizard 2.4.1");
        EXPECT_TRUE(Find<QLabel>(about, "LabelCopyright")->text().contains("Example Rights Ltd"));
        EXPECT_TRUE(Find<QLabel>(about, "LabelCopyright")->text().startsWith("Copyright"));
        EXPECT_FALSE(Find<QLabel>(about, "ImageLeft")->pixmap().isNull());
        const std::string home = EditionPage("MediaWizard", EditionPageKind::HomePage);
        const std::string support = EditionPage("MediaWizard", EditionPageKind::Support);
        const std::string updates = EditionPage("MediaWizard", EditionPageKind::Updates);
        EXPECT_EQ(Find<QLabel>(about, "LabelWeb")->text().toStdString(), home);
        EXPECT_EQ(Find<QLabel>(about, "LabelSupportEmail")->text().toStdString(), support);
        EXPECT_EQ(Clicked(Find<QWidget>(about, "ImageLeft")), std::vector<std::string>{updates});
        EXPECT_EQ(Clicked(Find<QWidget>(about, "LabelWeb")), std::vector<std::string>{home});
        EXPECT_EQ(Clicked(Find<QWidget>(about, "LabelSupportEmail")),
                  std::vector<std::string>{support});

        tabs->setCurrentIndex(1);
        EXPECT_EQ(Find<QLabel>(about, "LabelCheckForUpdate")->text(), "Check for update");
        EXPECT_EQ(Find<QLabel>(about, "LabelUpdateHint")->text(),
                  "To ensure you're using the latest version, click on the \r\nUpdates button "
                  "below.");
        EXPECT_EQ(Find<QLabel>(about, "LabelVersion")->text(), "2.4.1");
        EXPECT_EQ(Find<QLabel>(about, "LabelProductInformation")->text(), "Product information");
        auto* updatesButton = Find<QPushButton>(about, "ButtonUpdates");
        EXPECT_EQ(updatesButton->text(), "&Updates...");
        EXPECT_EQ(Clicked(updatesButton), std::vector<std::string>{updates});
        {
            // Its mnemonic reaches it from the keyboard; the button presses itself visibly.
            test::RecordingShell shell;
            QApplication::setActiveWindow(&about);
            QTest::keyClick(&about, Qt::Key_U, Qt::AltModifier);
            EXPECT_TRUE(test::WaitFor([&] { return !shell.Opened.empty(); }));
            EXPECT_EQ(shell.Opened, std::vector<std::string>{updates});
        }
        auto* ok = Find<QPushButton>(about, "ButtonOK");
        EXPECT_EQ(ok->text(), "&OK");
        ok->click();
        EXPECT_EQ(about.result(), QDialog::Accepted);
        EXPECT_FALSE(about.isVisible());
    });
}

TEST(About, UnknownEditionHasNoAddressesAndOpensNothing) {
    test::UiAccount account;
    test::ProgramWindows windows(EditionNamed("An Unknown Edition"));
    WithAboutWindow(*windows.Main, [](QDialog& about) {
        EXPECT_EQ(Find<QLabel>(about, "LabalTitle")->text(), "An Unknown Edition 2.4.1");
        EXPECT_EQ(Find<QLabel>(about, "LabelWeb")->text(), "");
        EXPECT_EQ(Find<QLabel>(about, "LabelSupportEmail")->text(), "");
        for (const char* target : {"ImageLeft", "LabelWeb", "LabelSupportEmail"}) {
            EXPECT_TRUE(Clicked(Find<QWidget>(about, target)).empty()) << target;
        }
        Find<QTabWidget>(about, "PageControl")->setCurrentIndex(1);
        EXPECT_TRUE(Clicked(Find<QWidget>(about, "ButtonUpdates")).empty());
        Find<QPushButton>(about, "ButtonOK")->click();
        EXPECT_EQ(about.result(), QDialog::Accepted);
    });
}

TEST(About, SimpleWindowShowsTheEditionOnWhite) {
    const std::string name = SimpleRow().Name;
    test::UiAccount account;
    test::ProgramWindows windows(EditionNamed(name));
    WithAboutWindow(*windows.Main, [&name](QDialog& about) {
        EXPECT_EQ(about.windowTitle().toStdString(), "About " + name);
        EXPECT_EQ(about.size(), QSize(445, 217));
        EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::white));
        EXPECT_FALSE(Find<QLabel>(about, "ImageIcon")->pixmap().isNull());
        EXPECT_EQ(Find<QLabel>(about, "LabelAppName")->text().toStdString(), name);
        EXPECT_EQ(Find<QLabel>(about, "LabelVersion")->text(), "Version 2.4.1");
        EXPECT_TRUE(Find<QLabel>(about, "LabelCopyRight")->text().contains("Example Rights Ltd"));
        auto* warning = Find<QLabel>(about, "LabelWarning");
        EXPECT_TRUE(warning->wordWrap());
        EXPECT_FALSE(warning->text().isEmpty());
        const std::string home = EditionPage(name, EditionPageKind::HomePage);
        ASSERT_FALSE(home.empty());
        EXPECT_EQ(Find<QLabel>(about, "LabelWeb")->text().toStdString(), home);
        EXPECT_EQ(Clicked(Find<QWidget>(about, "LabelWeb")), std::vector<std::string>{home});
        auto* ok = Find<QPushButton>(about, "ButtonOK");
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_TRUE(ok->isDefault());
        QTest::keyClick(&about, Qt::Key_Return);
        EXPECT_EQ(about.result(), QDialog::Accepted);
        EXPECT_FALSE(about.isVisible());
    });
}

}  // namespace
}  // namespace mw
