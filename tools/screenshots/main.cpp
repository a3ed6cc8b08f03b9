// Photographs every page of the main window in every skin and both About windows, for
// looking at them: mw-screenshots <output folder> [--dvd <DVD root>] <media file>...
// The media files fill the input page and are converted to AVI for the progress and
// summary pages. With a DVD root the DVD dialog is photographed with it opened (its first
// and its last title selected), and its first title joins the input page. Settings go to
// a temporary configuration folder.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "convert/CompletionActions.h"
#include "core/EditionConfig.h"
#include "core/EditionTable.h"
#include "formats/FormatCatalog.h"
#include "ui/About.h"
#include "ui/ApplicationTitle.h"
#include "ui/ChoiceButton.h"
#include "ui/DVDSelectFrm.h"
#include "ui/Dialogs.h"
#include "ui/FormatPage.h"
#include "ui/InputGrid.h"
#include "ui/InputPage.h"
#include "ui/Log.h"
#include "ui/Main.h"
#include "ui/ProgressPage.h"
#include "ui/QtMainThread.h"

namespace {

class QuietCompletion : public mw::CompletionPlatform {
public:
    void PlaySound(const std::string&) override {}
    std::string PowerOff() override { return {}; }
};

void Save(QWidget& window, const QString& file) {
    QCoreApplication::processEvents();
    window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

// Answers the Load DVD action: opens the root in the dialog, photographs it, and confirms
// the first title.
class DvdDialogShots : public mw::DialogResponder {
public:
    DvdDialogShots(std::string root, QString prefix)
        : m_root(std::move(root)), m_prefix(std::move(prefix)) {}

    QMessageBox::StandardButton Message(const mw::MessageRequest& request) override {
        std::printf("message: %s\n", qPrintable(request.Text));
        return QMessageBox::Ok;
    }
    int Modal(QDialog& dialog) override {
        auto* form = dynamic_cast<mw::TfrmDVDSelect*>(&dialog);
        if (form == nullptr) {
            return QDialog::Rejected;
        }
        form->show();
        form->OpenDvdRoot(m_root);
        Save(*form, m_prefix + "-dvd.png");
        form->cboTitles()->setCurrentIndex(form->cboTitles()->count() - 1);
        Save(*form, m_prefix + "-dvd-last-title.png");
        form->cboTitles()->setCurrentIndex(0);
        form->hide();
        return QDialog::Accepted;
    }
    std::vector<std::string> OpenFiles(const mw::FileRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const mw::FileRequest&) override { return {}; }
    std::optional<std::string> Folder(const QString&, const std::string&) override { return {}; }

private:
    std::string m_root;
    QString m_prefix;
};

void WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// The tabbed About window of the shipped edition, each tab, and the simple one of the first
// small edition.
void SaveAboutWindows(const QDir& out) {
    mw::EditionConfig edition = mw::LoadEditionConfig(mw::EditionFilePath());
    mw::ApplyEditionTitle(edition);
    mw::TFormAbout tabbed(edition);
    tabbed.show();
    Save(tabbed, out.filePath("about.png"));
    tabbed.findChild<QTabWidget*>("PageControl")->setCurrentIndex(1);
    Save(tabbed, out.filePath("about-update.png"));
    for (const mw::EditionRow& row : mw::EditionRows()) {
        if (row.SimpleAbout && !row.CompactWindow) {
            edition.Name = row.Name;
            break;
        }
    }
    mw::ApplyEditionTitle(edition);
    mw::TfrmAbout simple(edition);
    simple.show();
    Save(simple, out.filePath("about-simple.png"));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    mw::QtMainThread mainThread;
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: mw-screenshots <output folder> [--dvd <DVD root>] <media file>...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    std::vector<std::string> media(argv + 2, argv + argc);
    std::string dvdRoot;
    if (media.size() >= 2 && media[0] == "--dvd") {
        dvdRoot = media[1];
        media.erase(media.begin(), media.begin() + 2);
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QuietCompletion completion;

    for (int skin = 0; skin < 3; ++skin) {
        mw::EditionConfig edition = mw::LoadEditionConfig(mw::EditionFilePath());
        edition.Skin = std::to_string(skin);
        edition.Res = std::to_string(skin);
        mw::ApplyEditionTitle(edition);
        mw::TFormLog log;
        mw::TFormMain main(edition, log, completion);
        main.move(0, 0);
        main.show();
        // Active, so that the pictures show where the keyboard's focus is.
        main.activateWindow();
        QApplication::setActiveWindow(&main);
        const auto focus = [&](const char* name) {
            main.findChild<QWidget*>(name)->setFocus(Qt::TabFocusReason);
        };
        const auto shot = [&](const char* page) {
            Save(main, out.filePath(QString("skin%1-%2.png").arg(skin).arg(page)));
        };
        focus("ButtonNext");
        shot("mode");
        main.SetPage(mw::WizardPage::Step1);
        main.Step1()->AddFiles(media);
        mw::NextGrid* grid = main.Step1()->Grid();
        grid->setFocus(Qt::TabFocusReason);
        grid->setCurrentIndex(grid->model()->index(0, 0));
        shot("step1");
        if (!dvdRoot.empty()) {
            DvdDialogShots answers(dvdRoot, out.filePath(QString("skin%1").arg(skin)));
            const mw::ScopedDialogResponder scope(answers);
            main.Step1()->ActionLoadDVD()->trigger();
            shot("step1-dvd");
        }
        main.ActionNextExecute();
        main.Step2()->EditOutputDir()->setText(config.filePath("out/"));
        for (auto formatClass :
             {mw::FormatClass::Audio, mw::FormatClass::Video, mw::FormatClass::Device}) {
            main.Step2()->ClassButton(formatClass)->setFocus(Qt::TabFocusReason);
            main.Step2()->ClassButton(formatClass)->click();
            shot(mw::ClassName(formatClass).data());
        }
        // A video run lasts long enough for a picture half-way.
        main.Step2()->ClassButton(mw::FormatClass::Video)->click();
        main.Step2()->FormatButton(*mw::FindOutputFormat("AVI"))->click();
        bool midRun = false;
        main.ActionNextExecute();
        WaitUntil([&] {
            const int percent = main.Step3()->ProgressBar()->value();
            if (!midRun && percent > 20 && percent < 90) {
                midRun = true;
                shot("step3");
            }
            return main.Page() == mw::WizardPage::Step4;
        });
        if (!midRun) {
            std::printf("(the run ended before a mid-run picture)\n");
        }
        focus("ButtonNext");
        shot("step4");
        for (auto page : {mw::WizardPage::Step5, mw::WizardPage::Step6, mw::WizardPage::Step7}) {
            main.SetPage(page);
            shot(QString("step%1").arg(static_cast<int>(page)).toLatin1().constData());
        }
        main.close();
    }
    SaveAboutWindows(out);
    return 0;
}
