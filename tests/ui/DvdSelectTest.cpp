#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "UiSupport.h"
#include "core/UtilFuncs.h"
#include "dvd/DVDPlugIn.h"
#include "dvd/DvdDrives.h"
#include "support/DvdFixture.h"
#include "ui/DVDSelectFrm.h"
#include "ui/DvdSource.h"
#include "ui/InputGrid.h"
#include "ui/InputPage.h"

namespace mw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

// The program directory of the tests: the reader and the plug-in lie beside the test
// program as they lie beside the desktop program.
std::string TestProgramDir() {
    return ProgramDir();
}

class DvdDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_plugIn.Load()) << m_plugIn.LastErrorMessage(); }

    test::ScriptedDialogs m_dialogs;
    dvd::DVDPlugIn m_plugIn{TestProgramDir()};
    TfrmDVDSelect m_form{m_plugIn, nullptr};
};

TEST_F(DvdDialogTest, StartsWithNothingToChoose) {
    EXPECT_EQ(m_form.windowTitle(), "Select a DVD device or a DVD folder");
    EXPECT_EQ(m_form.btnOpen()->text(), "Open DVD");
    m_form.show();
    EXPECT_EQ(test::Find<QLineEdit>(m_form, "txtFrom")->text(), "0");
    EXPECT_EQ(test::Find<QLineEdit>(m_form, "txtTo")->text(), "0");
    EXPECT_TRUE(test::Find<QLineEdit>(m_form, "txtFrom")->isReadOnly());
    EXPECT_EQ(m_form.focusWidget(), m_form.btnOpen());
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_form.updFrom(), m_form.updTo(), m_form.cboAudio(),
                                         m_form.cboSubtitle(), m_form.btnOk()}) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(m_form.mmoLog()->font().fixedPitch());
    EXPECT_FALSE(m_form.TitleChoice());

    const QList<QAction*> entries = m_form.PopupMenuDVD()->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0]->text(), "Select DVD Device");
    ASSERT_TRUE(entries[0]->menu());
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(entries[2]->text(), "Select DVD Folder");
    EXPECT_EQ(entries[3]->text(), "Select DVD Image...");
    if (dvd::OpticalDriveRoots().empty()) {
        const QList<QAction*> drives = entries[0]->menu()->actions();
        ASSERT_EQ(drives.size(), 1);
        EXPECT_EQ(drives[0]->text(), "No DVD Device found");
        EXPECT_FALSE(drives[0]->isEnabled());
    }
}

TEST_F(DvdDialogTest, AFolderFillsTitlesLogAndStreams) {
    m_dialogs.ChosenFolder = test::DvdFixtureRoot().substr(0, test::DvdFixtureRoot().size() - 1);
    m_form.PopupMenuDVD()->actions()[2]->trigger();

    EXPECT_EQ(m_form.DvdRoot(), test::DvdFixtureRoot());
    EXPECT_EQ(m_form.LastFolder(), test::DvdFixtureRoot());
    EXPECT_THAT(Items(m_form.cboTitles()),
                ElementsAre("Title #1 Length: 0:00:06", "Title #2 Length: 0:00:04",
                            "Title #3 Length: 0:00:03"));
    // The pane shows what the command line prints.
    dvd::DVDPlugIn other{TestProgramDir()};
    ASSERT_TRUE(other.Load());
    const std::optional<dvd::DvdDisc> disc = dvd::ReadDvdRoot(other, test::DvdFixtureRoot());
    ASSERT_TRUE(disc);
    QStringList lines;
    for (const std::string& line : disc->Log) {
        lines << QString::fromStdString(line);
    }
    EXPECT_EQ(m_form.mmoLog()->toPlainText(), lines.join('\n'));

    EXPECT_EQ(m_form.cboTitles()->currentIndex(), 0);
    EXPECT_EQ(m_form.updFrom()->minimum(), 1);
    EXPECT_EQ(m_form.updFrom()->maximum(), 3);
    EXPECT_EQ(m_form.updFrom()->value(), 1);
    EXPECT_EQ(m_form.updTo()->value(), 3);
    EXPECT_THAT(Items(m_form.cboAudio()), ElementsAre("English[0xC0]", "German[0xC1]", "Disable"));
    EXPECT_THAT(Items(m_form.cboSubtitle()),
                ElementsAre("English[0x20]", "French[0x21]", "Disable"));
    EXPECT_TRUE(m_form.btnOk()->isEnabled());

    m_form.cboTitles()->setCurrentIndex(2);
    EXPECT_THAT(Items(m_form.cboAudio()),
                ElementsAre("Japanese[0x80]", "Spanish[0xA0]", "Disable"));
    EXPECT_THAT(Items(m_form.cboSubtitle()), ElementsAre("Disable"));
    EXPECT_EQ(m_form.updTo()->maximum(), 1);
}

TEST_F(DvdDialogTest, ChapterArrowsKeepFromAtMostToAndOkReadsTheChoice) {
    m_form.OpenDvdRoot(test::DvdFixtureRoot());
    m_form.updTo()->setValue(2);
    m_form.updFrom()->setValue(3);
    EXPECT_EQ(m_form.updTo()->value(), 3);
    m_form.updTo()->setValue(1);
    EXPECT_EQ(m_form.updFrom()->value(), 1);
    m_form.updTo()->setValue(2);

    m_form.cboAudio()->setCurrentIndex(2);
    m_form.cboSubtitle()->setCurrentIndex(1);
    m_form.chkDeinterlace()->setChecked(true);
    const std::optional<DvdTitleChoice> choice = m_form.TitleChoice();
    ASSERT_TRUE(choice);
    EXPECT_EQ(*choice, (DvdTitleChoice{test::DvdFixtureRoot(), 0, 0, 1, 0, "Disable", 0x21,
                                   "French[0x21]", 2, true}));
}

TEST_F(DvdDialogTest, ARootWithoutTitlesKeepsThePreviousOnes) {
    m_form.OpenDvdRoot(test::DvdFixtureRoot());
    test::TempDir empty;
    m_form.OpenDvdRoot(empty.Path());
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Caption, "Message");
    EXPECT_EQ(m_dialogs.Messages[0].Text, "No DVD title(s) found. Maybe not a valid DVD.");
    EXPECT_EQ(m_dialogs.Messages[0].Icon, QMessageBox::Information);
    EXPECT_EQ(m_form.cboTitles()->count(), 3);
    EXPECT_EQ(m_form.DvdRoot(), test::DvdFixtureRoot());
}

TEST_F(DvdDialogTest, AnInvalidTitleCannotBeConfirmed) {
    test::TempDir folder;
    const std::string videoTs = test::CopyDvdFixture(folder.Path());
    for (const char* file : {"VTS_01_0.IFO", "VTS_01_0.BUP"}) {
        const std::string path = videoTs + file;
        const std::uintmax_t table = test::ReadBigEndian(path, 0xC8, 4) * 2048;
        test::WriteBigEndian(path, table + test::ReadBigEndian(path, table + 12, 4), 2, 99);
    }
    m_form.OpenDvdRoot(folder.Path());
    EXPECT_THAT(
        Items(m_form.cboTitles()),
        ElementsAre("Title #1 Length: 0:00:06", "Title #2 is invalid", "Title #3 Length: 0:00:03"));
    EXPECT_THAT(m_form.mmoLog()->toPlainText().toStdString(),
                HasSubstr("\nCalling DVDGetTitle(#1) failed.\n"));
    m_form.cboTitles()->setCurrentIndex(1);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_form.updFrom(), m_form.updTo(), m_form.cboAudio(),
                                         m_form.cboSubtitle(), m_form.btnOk()}) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_EQ(m_form.cboAudio()->count(), 0);
    EXPECT_FALSE(m_form.TitleChoice());
}

TEST(DvdSource, AFailedLoadShowsItsTextAndIsTriedAgain) {
    test::ScriptedDialogs dialogs;
    test::TempDir program;
    DvdSource source(program.Path());
    EXPECT_FALSE(source.LoadDvd(nullptr));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_THAT(dialogs.Messages[0].Text.toStdString(), HasSubstr("cannot be started"));
    EXPECT_FALSE(source.Dialog());
    EXPECT_FALSE(source.LoadDvd(nullptr));
    EXPECT_EQ(dialogs.Messages.size(), 2u);
}

class DvdInputTest : public ::testing::Test {
protected:
    void SetUp() override { m_windows.Main->SetPage(WizardPage::Step1); }
    InputPage& Page() { return *m_windows.Main->Step1(); }
    QVariant Cell(int row, int role) {
        QAbstractItemModel* model = Page().Grid()->model();
        return model->data(model->index(row, 0), role);
    }

    test::UiAccount m_account;
    test::ProgramWindows m_windows{test::FullEdition()};
};

TEST_F(DvdInputTest, LoadDvdAddsATitleRowAndTheDialogKeepsItsState) {
    ASSERT_TRUE(Page().ActionLoadDVD()->isEnabled());
    EXPECT_EQ(Page().ActionLoadDVD()->text(), "&Load DVD...");
    test::ScriptedDialogs dialogs;
    dialogs.OnModal = [](QDialog& dialog) {
        auto& form = dynamic_cast<TfrmDVDSelect&>(dialog);
        form.OpenDvdRoot(test::DvdFixtureRoot());
        form.cboTitles()->setCurrentIndex(1);
        form.updFrom()->setValue(2);
        return int(QDialog::Accepted);
    };
    Page().ActionLoadDVD()->trigger();

    const std::vector<InputItem>& items = m_windows.Main->Inputs().Items();
    ASSERT_EQ(items.size(), 1u);
    const InputItem& row = items[0];
    ASSERT_TRUE(row.Dvd);
    EXPECT_EQ(row.FileFullName, "1");
    EXPECT_EQ(row.Duration, "Chapter from 2 to 2");
    EXPECT_EQ(row.BitRate, "Audio ID: English[0xC0]");
    EXPECT_EQ(row.Dimension, "Subtitle ID: Disable");
    EXPECT_EQ(row.FrameRate, test::DvdFixtureRoot());
    EXPECT_EQ(row.RealDuration, 0);
    EXPECT_EQ(Cell(0, InputGridModel::LineRole).toString().toStdString(),
              "DVD Root: " + test::DvdFixtureRoot() + "; Title: 2");
    EXPECT_FALSE(Cell(0, InputGridModel::ThumbnailRole).value<QPixmap>().isNull());

    dialogs.OnModal = [](QDialog& dialog) {
        auto& form = dynamic_cast<TfrmDVDSelect&>(dialog);
        EXPECT_EQ(form.cboTitles()->count(), 3);
        EXPECT_EQ(form.cboTitles()->currentIndex(), 1);
        EXPECT_EQ(form.updFrom()->value(), 2);
        return int(QDialog::Rejected);
    };
    Page().ActionLoadDVD()->trigger();
    EXPECT_EQ(m_windows.Main->Inputs().Count(), 1);
}

}  // namespace
}  // namespace mw
