#include <gtest/gtest.h>

#include "UiSupport.h"

namespace mw {
namespace {

// Files named on the command line, as a file manager's "Open With" names them.
TEST(OpenFiles, NamedFilesJoinTheConvertModesInputPage) {
    for (const bool download : {true, false}) {
        SCOPED_TRACE(download ? "download edition" : "convert-only edition");
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Download = download;
        test::ProgramWindows windows(edition);
        TFormMain& main = *windows.Main;
        EXPECT_EQ(main.Page(), download ? WizardPage::Mode : WizardPage::Step1);
        test::ScriptedDialogs dialogs;
        const std::string notes = account.Folder().File("notes.txt");
        test::WriteTextFile(notes, "not media");
        main.OpenFiles({test::Media().Video, notes, test::Media().Song});
        EXPECT_EQ(main.Page(), WizardPage::Step1);
        ASSERT_EQ(main.Inputs().Count(), 2);
        EXPECT_EQ(main.Inputs().Items()[0].FileFullName, test::Media().Video);
        EXPECT_EQ(main.Inputs().Items()[1].FileFullName, test::Media().Song);
        // As with a drop, a file of another kind is passed over without a message.
        EXPECT_TRUE(dialogs.Messages.empty());
    }
}

}  // namespace
}  // namespace mw
