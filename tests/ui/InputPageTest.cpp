#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "UiSupport.h"
#include "core/EditionConfig.h"
#include "core/UtilFuncs.h"
#include "support/MediaFixture.h"
#include "ui/AddFailed.h"
#include "ui/Dialogs.h"
#include "ui/InputGrid.h"
#include "ui/InputPage.h"
#include "ui/Skin.h"

namespace mw {
namespace {

class InputPageTest : public ::testing::Test {
protected:
    void SetUp() override { m_windows.Main->SetPage(WizardPage::Step1); }

    InputPage& Page() { return *m_windows.Main->Step1(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const InputItem& item : m_windows.Main->Inputs().Items()) {
            names.push_back(item.FileFullName);
        }
        return names;
    }
    QVariant Cell(int row, int role) {
        QAbstractItemModel* model = Page().Grid()->model();
        return model->data(model->index(row, 0), role);
    }
    std::string Copy(const std::string& name) {
        const std::string path = m_account.Folder().File(name);
        std::filesystem::copy_file(test::Media().Video, path);
        return path;
    }

    test::UiAccount m_account;
    test::ProgramWindows m_windows{test::FullEdition()};
};

TEST_F(InputPageTest, OpenDialogAddsFilesWithPicturesAndLines) {
    test::ScriptedDialogs dialogs;
    dialogs.FilesToOpen = {test::Media().Video, test::Media().Song};
    Page().ActionAdd()->trigger();

    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    EXPECT_EQ(
        dialogs.FileRequests[0].Filter,
        "All Supported "
        "Formats|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*."
        "OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;*.M4V;*.M2TS;*.OGV;*.3G2;*.MP3;*."
        "AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*.OFR;*.OGG;*.RA;*."
        "WV;*.TTA;*.AC3;*.DTS;*.OPUS;*.AIFF;*.OGA;|All Video Formats (all "
        "types)|*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.MP4;*.MPG;*.MPEG;*.DAT;*."
        "OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;*.WEBM;*.M4V;*.M2TS;*.OGV;*.3G2;|All "
        "Audio Formats (all "
        "types)|*.MP3;*.AAC;*.WAV;*.WMA;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;*.MPC;*.APE;*."
        "OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;*.OPUS;*.AIFF;*.OGA;|All Files|*.*");
    EXPECT_EQ(Names(), (std::vector<std::string>{test::Media().Video, test::Media().Song}));
    EXPECT_EQ(m_windows.Main->Settings().LastOpenDir,
              std::filesystem::path(test::Media().Video).parent_path().string() + "/");

    // The video shows a picture of its own, the song the audio icon.
    const QPixmap video = Cell(0, InputGridModel::ThumbnailRole).value<QPixmap>();
    const QPixmap song = Cell(1, InputGridModel::ThumbnailRole).value<QPixmap>();
    EXPECT_EQ(song.cacheKey(), InputGridModel::AudioIcon().cacheKey());
    ASSERT_FALSE(video.isNull());
    EXPECT_EQ(video.size(), QSize(117, 88));  // 320 x 240 fitted into 128 x 88
    EXPECT_NE(video.toImage().pixel(10, 10), video.toImage().pixel(100, 80));

    EXPECT_EQ(Cell(0, InputGridModel::LineRole + 1).toString(), "Duration: 00:00:01.000");
    EXPECT_EQ(Cell(0, InputGridModel::LineRole + 3).toString(),
              "Dimension: 320 x 240, MPEG-4 part 2");
    EXPECT_TRUE(Cell(1, InputGridModel::LineRole + 2).toString().startsWith("Audio Bit rate: "));
    EXPECT_EQ(Cell(1, InputGridModel::LineRole + 3).toString(), "Audio Codec: MP3");
}

TEST_F(InputPageTest, TheOpenDialogListsEachPatternOnceAndIgnoresCase) {
    test::ScriptedDialogs dialogs;
    Page().ActionAdd()->trigger();
    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    const FileRequest request = dialogs.FileRequests[0];
    const QStringList filters = DialogFilter(request.Filter).split(";;");
    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[1].startsWith("All Video Formats (*.AVI *.AVM "))
        << filters[1].toStdString();
    EXPECT_EQ(filters[3], "All Files (*.*)");
    for (const QString& filter : filters) {
        const QStringList patterns = filter.section('(', 1).chopped(1).split(' ');
        EXPECT_EQ(QSet<QString>(patterns.begin(), patterns.end()).size(), patterns.size())
            << filter.toStdString();
    }
    // What the dialog offers can be dropped as well (MPEG keeps its old exception).
    for (const QString& pattern : filters[0].section('(', 1).chopped(1).split(' ')) {
        const std::string extension = pattern.mid(1).toStdString();
        EXPECT_EQ(IsMediaExtension(extension), pattern != "*.MPEG") << extension;
    }

    // The dialog itself: files of every spelling, the others left out.
    const std::string folder = m_account.Folder().Path() + "mixed/";
    std::filesystem::create_directories(folder);
    for (const char* name : {"CLIP.AVI", "film.webm", "Song.Mp3", "take.M2TS", "notes.txt"}) {
        test::WriteTextFile(folder + name, "x");
    }
    FileRequest where = request;
    where.Folder = QString::fromStdString(folder);
    const std::unique_ptr<QFileDialog> dialog = NewOpenFilesDialog(nullptr, where);
    dialog->show();
    auto* view = dialog->findChild<QListView*>("listView");
    ASSERT_NE(view, nullptr);
    QStringList shown;
    const bool listed = test::WaitFor([&] {
        shown.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            const QModelIndex file = view->model()->index(row, 0, root);
            if (!view->isRowHidden(row) && (file.flags() & Qt::ItemIsEnabled)) {
                shown << file.data().toString();
            }
        }
        return shown.size() >= 4;
    });
    EXPECT_TRUE(listed) << shown.join(", ").toStdString();
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"CLIP.AVI", "Song.Mp3", "film.webm", "take.M2TS"}));
    dialog->hide();
}

TEST_F(InputPageTest, TilesTellTheTruth) {
    // A PAL-sized picture stored squeezed for a 16:9 screen.
    test::FixturePlan anamorphic;
    anamorphic.VideoCodec = "mpeg4";
    anamorphic.Width = 352;
    anamorphic.Height = 288;
    anamorphic.SampleAspectNum = 16;
    anamorphic.SampleAspectDen = 11;
    anamorphic.Seconds = 0.5;
    const std::string wide = m_account.Folder().File(
        "a-file-name-much-too-long-for-its-tile-even-without-any-of-its-folders.mkv");
    test::WriteFixture(wide, anamorphic);
    Page().AddFiles({wide, test::Media().Song});

    const QPixmap picture = Cell(0, InputGridModel::ThumbnailRole).value<QPixmap>();
    EXPECT_EQ(picture.size(), QSize(128, 72));
    // Matroska gives no rate per stream: the tile says whose rate it shows.
    EXPECT_TRUE(Cell(0, InputGridModel::LineRole + 2).toString().endsWith(" Kbps (overall)"))
        << Cell(0, InputGridModel::LineRole + 2).toString().toStdString();

    QFont bold = Page().Grid()->font();
    bold.setBold(true);
    const QFontMetrics titleMetrics(bold);
    const QFontMetrics lineMetrics(Page().Grid()->font());
    const QModelIndex index = Page().Grid()->model()->index(0, 0);
    const QString title = InputTileDelegate::TileLine(index, 0, titleMetrics);
    EXPECT_TRUE(title.startsWith("a-file-name-much")) << title.toStdString();
    EXPECT_TRUE(title.endsWith(QChar(0x2026))) << title.toStdString();
    EXPECT_LE(titleMetrics.horizontalAdvance(title), 255);
    for (int line = 1; line < 4; ++line) {
        const QString text = InputTileDelegate::TileLine(index, line, lineMetrics);
        EXPECT_EQ(text, Cell(0, InputGridModel::LineRole + line).toString()) << "fits whole";
        EXPECT_LE(lineMetrics.horizontalAdvance(text), 280);
    }
}

TEST_F(InputPageTest, TheNewestRowComesIntoView) {
    NextGrid& grid = *Page().Grid();
    for (int added = 1; added <= 6; ++added) {
        Page().AddFiles({Copy("clip" + std::to_string(added) + ".mp4")});
        const QRect newest = grid.visualRect(grid.model()->index(added - 1, 0));
        EXPECT_TRUE(newest.top() >= 0 && newest.bottom() < grid.viewport()->height())
            << "row " << added;
    }
    EXPECT_LT(grid.visualRect(grid.model()->index(0, 0)).top(), 0);
}

TEST_F(InputPageTest, DeleteKeyRemovesTheSelectedRow) {
    const std::vector<std::string> files = {Copy("one.mp4"), Copy("two.mp4"), Copy("three.mp4")};
    Page().AddFiles(files);
    NextGrid& grid = *Page().Grid();
    m_windows.Main->activateWindow();
    QApplication::setActiveWindow(m_windows.Main.get());
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(1, 0));
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(Names(), (std::vector<std::string>{files[0], files[2]}));
    EXPECT_EQ(grid.currentIndex().row(), 1);
}

TEST(InputTiles, TheSelectedTileIsMarkedInEverySkin) {
    for (const char* skin : {"0", "1", "2"}) {
        SCOPED_TRACE(skin);
        test::UiAccount account;
        EditionConfig edition = test::FullEdition();
        edition.Skin = skin;
        edition.Res = skin;
        test::ProgramWindows windows(edition);
        TFormMain& main = *windows.Main;
        main.SetPage(WizardPage::Step1);
        main.Step1()->AddFiles({test::Media().Song, test::Media().Song});
        NextGrid& grid = *main.Step1()->Grid();
        grid.setCurrentIndex(grid.model()->index(0, 0));
        const QImage shot = grid.viewport()->grab().toImage();
        const QColor accent = LoadSkinImages(ImageFolder(edition)).Accent();
        const auto at = [&](int row, int x) {
            const QRect tile = grid.visualRect(grid.model()->index(row, 0));
            return shot.pixelColor(tile.left() + x, tile.center().y());
        };
        EXPECT_EQ(at(0, 2), accent);
        EXPECT_NE(at(1, 2), accent);
        // The whole tile is tinted, not only its edge.
        EXPECT_NE(at(0, 300), at(1, 300));
    }
}

TEST_F(InputPageTest, DropsTakeMediaFilesOnly) {
    const std::string text = m_account.Folder().File("notes.txt");
    test::WriteTextFile(text, "not media");
    const std::string mpeg = Copy("movie.mpeg");
    const std::string folder = m_account.Folder().File("folder.avi");
    std::filesystem::create_directories(folder);

    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& name : {folder, text, mpeg, test::Media().Song, test::Media().Video}) {
        urls << QUrl::fromLocalFile(QString::fromStdString(name));
    }
    data.setUrls(urls);
    test::ScriptedDialogs dialogs;
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_windows.Main.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_windows.Main.get(), &drop);

    EXPECT_EQ(Names(), (std::vector<std::string>{test::Media().Song, test::Media().Video}));
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(InputPageTest, UnreadableFilesAreReportedTogether) {
    std::vector<std::string> broken;
    for (const char* name : {"a.avi", "b.mp4", "c.mp3"}) {
        broken.push_back(m_account.Folder().File(name));
        test::WriteTextFile(broken.back(), "this is no media file");
    }
    test::ScriptedDialogs dialogs;
    int reports = 0;
    QStringList entries;
    QString caption;
    dialogs.OnModal = [&](QDialog& dialog) {
        ++reports;
        caption = dialog.windowTitle();
        auto& report = dynamic_cast<TFormFailedAddFile&>(dialog);
        for (int i = 0; i < report.ListViewFiles()->count(); ++i) {
            entries << report.ListViewFiles()->item(i)->text();
        }
        return int(QDialog::Accepted);
    };
    dialogs.FilesToOpen = {broken[0], test::Media().Song, broken[1], broken[2]};
    Page().ActionAdd()->trigger();

    EXPECT_EQ(Names(), std::vector<std::string>{test::Media().Song});
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(caption, "Failed to Add Files");
    ASSERT_EQ(entries.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(entries[i].contains(QString::fromStdString(broken[i])))
            << entries[i].toStdString();
    }
    const QStringList errors = m_windows.Log.Lines().filter("File load error: ");
    EXPECT_EQ(errors.size(), 3);
}

TEST_F(InputPageTest, OrderThroughMovesAndDragging) {
    const std::vector<std::string> files = {Copy("one.mp4"), Copy("two.mp4"), Copy("three.mp4")};
    Page().AddFiles(files);
    ASSERT_EQ(Names(), files);
    NextGrid& grid = *Page().Grid();
    const auto select = [&](int row) { grid.setCurrentIndex(grid.model()->index(row, 0)); };

    select(0);
    EXPECT_FALSE(Page().ActionMoveUp()->isEnabled());
    EXPECT_TRUE(Page().ActionMoveDown()->isEnabled());
    Page().ActionMoveDown()->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{files[1], files[0], files[2]}));
    EXPECT_EQ(grid.currentIndex().row(), 1);
    select(2);
    EXPECT_FALSE(Page().ActionMoveDown()->isEnabled());
    Page().ActionMoveUp()->trigger();
    EXPECT_EQ(Names(), (std::vector<std::string>{files[1], files[2], files[0]}));

    // Dragging the first row onto the last.
    const QPoint from = grid.visualRect(grid.model()->index(0, 0)).center();
    const QPoint to = grid.visualRect(grid.model()->index(2, 0)).center();
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), grid.viewport()->mapToGlobal(QPointF(to)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid.viewport(), &move);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(Names(), (std::vector<std::string>{files[2], files[0], files[1]}));

    // Deleting the last row selects the new last; deleting the only row leaves none.
    select(2);
    Page().ActionDelete()->trigger();
    EXPECT_EQ(grid.currentIndex().row(), 1);
    Page().ActionClear()->trigger();
    EXPECT_EQ(m_windows.Main->Inputs().Count(), 0);
    EXPECT_FALSE(Page().ActionDelete()->isEnabled());
    EXPECT_FALSE(Page().ActionClear()->isEnabled());
    EXPECT_FALSE(Page().ActionPlay()->isEnabled());
}

TEST_F(InputPageTest, ActionsAndPopupMenu) {
    struct ActionRow {
        QAction* Action;
        const char* Caption;
        QKeySequence Shortcut;
    };
    const ActionRow rows[] = {
        {Page().ActionAdd(), "&Add Video...", QKeySequence("Ctrl+O")},
        {Page().ActionDelete(), "&Delete", QKeySequence(Qt::Key_Delete)},
        {Page().ActionClear(), "&Clear", QKeySequence("Shift+Del")},
        {Page().ActionMoveUp(), "&Move Up", {}},
        {Page().ActionMoveDown(), "M&ove Down", {}},
        {Page().ActionPlay(), "&Play", QKeySequence("Ctrl+P")},
    };
    for (const ActionRow& row : rows) {
        EXPECT_EQ(row.Action->text(), row.Caption);
        EXPECT_EQ(row.Action->shortcut(), row.Shortcut);
    }
    QStringList menu;
    for (const QAction* entry : Page().PopupMenu()->actions()) {
        if (entry->isVisible()) {
            menu << (entry->isSeparator() ? "-" : entry->text());
        }
    }
    EXPECT_EQ(menu, (QStringList{"&Add Video...", "&Delete", "&Clear", "-", "&Move Up",
                                 "M&ove Down", "-", "&Play"}));
}

}  // namespace
}  // namespace mw
